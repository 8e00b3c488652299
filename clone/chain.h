// Singly linked chains of small nodes, the shape in which a run keeps its lists of map names and
// its point map: each node has a `next`, and the head owns the rest of the chain.
#pragma once

#include "api/host_api.h"

namespace zelkor {

// Deletes every node after `node` and leaves node->next null. Iterative, so that chains of any
// length are released without one nested destructor call per node.
template <class Node>
void delete_chain_after(Node* node) {
    Node* rest = node->next;
    node->next = nullptr;
    while (rest) {
        Node* following = rest->next;
        rest->next = nullptr;
        delete rest;
        rest = following;
    }
}

// A new chain holding, in the host's order, the names of the object's `count` maps of `type`.
// The names stay the host's. `count` must be at least 1.
template <class Node>
Node* map_name_chain(LWObjectFuncs* objects, LWID type, int count) {
    Node* head = new Node;
    head->name = objects->vmapName(type, 0);
    Node* last = head;
    for (int i = 1; i < count; ++i) {
        last->next = new Node;
        last = last->next;
        last->name = objects->vmapName(type, i);
    }
    return head;
}

}  // namespace zelkor
