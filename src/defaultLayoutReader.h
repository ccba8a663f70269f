#ifndef TOLLBRIG_DEFAULTLAYOUTREADER_H
#define TOLLBRIG_DEFAULTLAYOUTREADER_H

#include <string>

class DocumentCache;
class Nodeset;

// Reads the node-set file at path, through documents, in the default layout into ns, named name:
// computing nodes, each split into a compute and a write phase under cw, and
// the Rx and Tx access elements; singleBank puts every element on bank 0.
// Throws a YAML::Exception at the first fault.
void readDefaultLayout(Nodeset& ns, const std::string& path, const std::string& name, bool cw,
                       bool singleBank, DocumentCache& documents);

#endif
