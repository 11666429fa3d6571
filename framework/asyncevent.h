// Asynchronous event sources, polled once per update by the game. Nothing in the program registers
// a source, but the list and its polling are kept so that one can be added.
#pragma once

#include "runtime/runtime.h"

class c_IAsyncEventSource : public virtual gc_interface {
  public:
    virtual void p_UpdateAsyncEvents() = 0;
};

// A growable stack of event sources.
class c_Stack2 : public Object {
  public:
    Array<c_IAsyncEventSource*> f_data;
    int f_length = 0;

    // Stored into slots that fall out of use (null).
    static c_IAsyncEventSource* m_NIL;

    c_Stack2* m_new();
    // A copy of `data` (a new array), with every slot in use.
    c_Stack2* m_new2(Array<c_IAsyncEventSource*> data);
    // Shrinking clears the dropped slots; growing past the capacity reallocates to
    // max(length * 2 + 10, n).
    void p_Length(int n);
    int p_Length2();
    // The caller keeps i within 0 .. length - 1.
    c_IAsyncEventSource* p_Get(int i);

    void mark() override;
};

extern c_IAsyncEventSource* vx_asyncevent__current;
extern c_Stack2* vx_asyncevent__sources;

// Polls every registered source once. A call from inside a source's own update returns at once.
void vx_asyncevent_UpdateAsyncEvents();
