// The battle's doubly linked lists keep their links inside the nodes: the
// world's ships (ShipNode::next and prev) and the shot pool's free and active
// lists (a ShotNode carries a pair of links for each, so a shot moves between
// them without being copied). The owner keeps each list's two ends; these
// helpers only relink nodes, they never make or free one.
#ifndef HALVORN_SIM_INTRUSIVE_LIST_H
#define HALVORN_SIM_INTRUSIVE_LIST_H

// A list whose nodes link through their members Next and Prev.
template <typename Node, Node* Node::*Next, Node* Node::*Prev>
struct IntrusiveList {
    // Puts node after tail (it becomes head as well when the list is empty);
    // node's previous links in this list are overwritten.
    static void append(Node*& head, Node*& tail, Node* node) {
        node->*Next = nullptr;
        node->*Prev = tail;
        if (tail != nullptr) {
            tail->*Next = node;
        } else {
            head = node;
        }
        tail = node;
    }

    // Takes node out of the list and clears its links in it.
    static void unlink(Node*& head, Node*& tail, Node* node) {
        if (node->*Prev != nullptr) {
            (node->*Prev)->*Next = node->*Next;
        } else {
            head = node->*Next;
        }
        if (node->*Next != nullptr) {
            (node->*Next)->*Prev = node->*Prev;
        } else {
            tail = node->*Prev;
        }
        node->*Next = nullptr;
        node->*Prev = nullptr;
    }
};

#endif
