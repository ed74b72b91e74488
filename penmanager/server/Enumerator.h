// A snapshot enumerator (IEnumConnections, IEnumConnectionPoints) over items that hold
// an interface pointer; AddItemRef adds the reference a handed-out item carries.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <vector>

#include "DualObject.h"

template <class IEnum, class Item, void (*AddItemRef)(Item&), void (*ReleaseItem)(Item&)>
class Enumerator : public ComObject<IEnum> {
public:
    explicit Enumerator(std::vector<Item> items, size_t position = 0)
        : items_(std::move(items)), position_(position) {
        for (Item& item : items_)
            AddItemRef(item);
    }
    ~Enumerator() override {
        for (Item& item : items_)
            ReleaseItem(item);
    }

    STDMETHODIMP Next(ULONG count, Item* out, ULONG* fetched) override {
        if (!out || (count > 1 && !fetched))
            return E_POINTER;
        ULONG given = 0;
        for (; given < count && position_ < items_.size(); ++given, ++position_) {
            out[given] = items_[position_];
            AddItemRef(out[given]);
        }
        if (fetched)
            *fetched = given;
        return given == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override {
        size_t left = items_.size() - position_;
        position_ += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override {
        position_ = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnum** copy) override {
        if (!copy)
            return E_POINTER;
        *copy = new Enumerator(items_, position_);
        return S_OK;
    }

private:
    std::vector<Item> items_;
    size_t position_;
};

inline void addConnectionRef(CONNECTDATA& data) { data.pUnk->AddRef(); }
inline void releaseConnection(CONNECTDATA& data) { data.pUnk->Release(); }
using ConnectionEnumerator = Enumerator<IEnumConnections, CONNECTDATA, addConnectionRef, releaseConnection>;

inline void addPointRef(IConnectionPoint*& point) { point->AddRef(); }
inline void releasePoint(IConnectionPoint*& point) { point->Release(); }
using ConnectionPointEnumerator = Enumerator<IEnumConnectionPoints, IConnectionPoint*, addPointRef, releasePoint>;
