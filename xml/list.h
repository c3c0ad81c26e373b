// The intrusive doubly linked list that XML elements hang in: Node is the
// link every element carries, List the owner with two sentinel links.
#pragma once

template <class T>
class Node {
public:
    Node *next;
    Node *prev;

    Node() : next(nullptr), prev(nullptr) {}
    // A link destroyed while in a list takes itself out first.
    virtual ~Node() { Unlink(); }

    Node(const Node &) = delete;
    Node &operator=(const Node &) = delete;

    // Joins the neighbours of a listed link to each other and clears the
    // link's own pointers. A sentinel or an unlisted link (either pointer
    // unset) is left as it is. Returns the link.
    Node *Unlink()
    {
        if (next && prev) {
            next->prev = prev;
            prev->next = next;
            next = nullptr;
            prev = nullptr;
        }
        return this;
    }
};

template <class T>
class List {
public:
    Node<T> head;     // head.next: first element, or &tail when empty
    Node<T> tail;     // tail.prev: last element, or &head when empty
    bool doesNotOwn;  // false: Clear and the destructor delete the elements

    List() : doesNotOwn(false)
    {
        head.next = &tail;
        tail.prev = &head;
    }
    virtual ~List()
    {
        Clear();
        head.Unlink();
        tail.Unlink();
    }

    List(const List &) = delete;
    List &operator=(const List &) = delete;

    // Puts link between after (nullptr: the head) and its successor. A link
    // that still hangs in a list is taken out of it first, so that neither
    // list is left pointing at it. Inserting after the tail, after an
    // unlisted link or after the link itself changes nothing.
    void InsertAfter(Node<T> *link, Node<T> *after)
    {
        if (!after)
            after = &head;
        if (!link || link == after || !after->next)
            return;
        link->Unlink();
        link->next = after->next;
        link->prev = after;
        after->next->prev = link;
        after->next = link;
    }

    // Takes the first element out of the list and returns it; nullptr when
    // the list is empty. The caller owns the element from then on.
    T *PopFirst()
    {
        T *first = First();
        if (first)
            first->Unlink();
        return first;
    }

    // Takes out every element from the front; an owning list deletes each.
    void Clear()
    {
        while (T *element = PopFirst()) {
            if (!doesNotOwn)
                delete element;
        }
    }

    T *First() const { return Element(head.next); }
    T *Last() const { return Element(tail.prev); }

    // The element a link stands for, or nullptr for a sentinel or an
    // unlisted link: only a link with both neighbours set is an element.
    static T *Element(Node<T> *link)
    {
        return link && link->next && link->prev ? static_cast<T *>(link) : nullptr;
    }
};
