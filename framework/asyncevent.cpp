#include "framework/asyncevent.h"

c_IAsyncEventSource* c_Stack2::m_NIL = nullptr;
c_IAsyncEventSource* vx_asyncevent__current = nullptr;
c_Stack2* vx_asyncevent__sources = nullptr;

c_Stack2* c_Stack2::m_new() {
    return this;
}

c_Stack2* c_Stack2::m_new2(Array<c_IAsyncEventSource*> data) {
    Array<c_IAsyncEventSource*> copy(data.Length());
    for (int i = 0; i < data.Length(); ++i) copy.Set(i, data[i]);
    gc_assign(f_data, copy);
    f_length = data.Length();
    return this;
}

void c_Stack2::p_Length(int n) {
    if (n < f_length) {
        for (int i = n; i < f_length; ++i) f_data.Set(i, m_NIL);
    } else if (n > f_data.Length()) {
        int capacity = f_length * 2 + 10;
        if (n > capacity) capacity = n;
        gc_assign(f_data, f_data.Resize(capacity));
    }
    f_length = n;
}

int c_Stack2::p_Length2() {
    return f_length;
}

c_IAsyncEventSource* c_Stack2::p_Get(int i) {
    return f_data[i];
}

void c_Stack2::mark() {
    Object::mark();
    gc_mark_q(f_data);
}

void vx_asyncevent_UpdateAsyncEvents() {
    if (vx_asyncevent__current) return;
    c_Stack2* sources = vx_asyncevent__sources;
    int i = 0;
    while (sources && i < sources->p_Length2()) {
        gc_assign(vx_asyncevent__current, sources->p_Get(i));
        vx_asyncevent__current->p_UpdateAsyncEvents();
        if (vx_asyncevent__current) ++i;
    }
    vx_asyncevent__current = nullptr;
}
