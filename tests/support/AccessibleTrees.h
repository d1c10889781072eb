#pragma once
// Published trees written by hand, for the tests of the back ends' mappings.

#include <string>
#include <utility>

#include "toolkit/platform/Accessibility.h"

namespace tk::platform {

// Appends a node to the tree, listed last among its parent's children.
inline AccessibleNode& AddNode(AccessibleTree& tree, NodeId id, NodeId parent, Role role,
                               std::string name, TRect bounds, uint32_t nodeStates = 0,
                               uint8_t actions = 0) {
  for (AccessibleNode& p : tree.nodes) {
    if (p.id == parent) p.children.push_back(id);
  }
  AccessibleNode& n = tree.nodes.emplace_back();
  n.id = id;
  n.parent = parent;
  n.role = role;
  n.name = std::move(name);
  n.bounds = bounds;
  n.states = nodeStates;
  n.actions = actions;
  return n;
}

inline AccessibleChange Report(ChangeKind kind, NodeId node) {
  AccessibleChange c;
  c.kind = kind;
  c.node = node;
  return c;
}

}  // namespace tk::platform
