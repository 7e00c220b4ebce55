#include "finaleframework/core/FCCollection.h"

#include "finaleframework/core/FCIteratorHandler.h"

#include <algorithm>
#include <cstddef>

__FCCollection::~__FCCollection() {
    _FreeElements();
    if (_elements != _slots) delete[] _elements;
    _elements = nullptr;
    _count = 0;
    _capacity = 0;
}

void __FCCollection::_Grow(int needed) {
    if (_capacity >= needed) return;
    if (!_elements && _slots && needed < GROWTH_STEP) {
        // The subclass's slots, still null as it handed them over.
        _elements = _slots;
        _capacity = GROWTH_STEP;
        return;
    }
    const int capacity = ((needed + GROWTH_STEP) / GROWTH_STEP) * GROWTH_STEP;
    auto** grown = new __FCBase*[static_cast<size_t>(capacity)];
    const int kept = _elements ? _count : 0;
    if (kept > 0) std::copy(_elements, _elements + kept, grown);
    std::fill(grown + kept, grown + capacity, nullptr);
    if (_elements != _slots) delete[] _elements;
    _elements = grown;
    _capacity = capacity;
}

void __FCCollection::_FreeElements() {
    for (int i = 0; i < _count; ++i) {
        delete _elements[i];
        _elements[i] = nullptr;
    }
}

void __FCCollection::InsertItemAt(__FCBase* element, int index) {
    if (index >= _count) {
        Add(element);
        return;
    }
    if (index < 0) index = 0;
    _RequireElement(1);
    for (int i = _count; i > index; --i)
        _elements[i] = _elements[i - 1];
    _elements[index] = element;
    ++_count;
}

bool __FCCollection::DeleteItemAt(int index) {
    if (index < 0 || index >= _count) return false;
    for (int i = index; i < _count - 1; ++i)
        _elements[i] = _elements[i + 1];
    --_count;
    return true;
}

int __FCCollection::GetIndexOf(__FCBase* element) const {
    for (int i = 0; i < _count; ++i)
        if (_elements[i] == element) return i;
    return -1;
}

bool __FCCollection::ElementExists(__FCBase* element) const {
    return GetIndexOf(element) >= 0;
}

__FCBase* __FCCollection::FindUserData(void* data) const {
    for (int i = 0; i < _count; ++i)
        if (_elements[i] && _elements[i]->GetUserData() == data) return _elements[i];
    return nullptr;
}

int __FCCollection::_Walk(int start, FCIteratorHandler* handler, bool withIndex) {
    if (!handler) return 0;
    int visited = 0;
    int count = GetCount();
    for (int index = start < 0 ? 0 : start; index < count; ++index) {
        __FCBase* element = GetItemAt(index);
        if (!element) continue;
        const bool goOn =
            withIndex ? handler->IterateWithIndex(element, index) : handler->Iterate(element);
        if (!goOn) break;
        ++visited;
        count = GetCount(); // the handler may have appended elements
    }
    return visited;
}

int __FCCollection::ForEach(FCIteratorHandler* handler) {
    return _Walk(0, handler, false);
}

int __FCCollection::ToEndFrom(int start, FCIteratorHandler* handler) {
    return _Walk(start, handler, false);
}

int __FCCollection::ForEachIndex(FCIteratorHandler* handler) {
    return _Walk(0, handler, true);
}

__FCBase* __FCCollection::FindFirst(FCIteratorHandler* handler) {
    if (!handler) return nullptr;
    int count = GetCount();
    for (int index = 0; index < count; ++index) {
        __FCBase* element = GetItemAt(index);
        if (!element) continue;
        if (handler->IsMatch(element)) return element;
        count = GetCount();
    }
    return nullptr;
}

void __FCCollection::Sort(FCIteratorHandler* handler) {
    if (!handler) return;
    for (int i = 0; i < _count - 1; ++i) {
        for (int j = i + 1; j < _count; ++j) {
            __FCBase* a = GetItemAt(i);
            __FCBase* b = GetItemAt(j);
            if (!a || !b) continue;
            if (handler->Compare(a, b) > 0) {
                _elements[i] = b;
                _elements[j] = a;
            }
        }
    }
}
