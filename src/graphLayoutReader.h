#ifndef TOLLBRIG_GRAPHLAYOUTREADER_H
#define TOLLBRIG_GRAPHLAYOUTREADER_H

#include <string>

class DocumentCache;
class Nodeset;

// Reads the node-set file at path, through documents, in the newFormat layout into ns, named name:
// nodes with their own demands and edges that carry dependencies and data
// volumes; singleBank puts every node on bank 0, virtualDeps orders the nodes
// of each core. The layout has no write phases, so cw is refused. Throws a
// YAML::Exception at the first fault.
void readGraphLayout(Nodeset& ns, const std::string& path, const std::string& name, bool cw,
                     bool singleBank, bool virtualDeps, DocumentCache& documents);

#endif
