#include "OutboxCopy.h"

#include <wrl/client.h>

#include "JsonValues.h"
#include "OutboxCopyClass.h"

using Microsoft::WRL::ComPtr;
using nlohmann::json;
using namespace Values;

namespace {

class OutboxItemCopy : public DualObject<IOutboxItem> {
public:
    OutboxItemCopy(std::shared_ptr<OutboxState> state, size_t position)
        : state_(std::move(state)), position_(position) {}

    STDMETHODIMP GetStatus(LONG* v) override {
        return read("IOutboxItem::GetStatus", [&](const json& item) { return longOut(item, "status", v); });
    }
    STDMETHODIMP GetServiceName(BSTR* v) override {
        return read("IOutboxItem::GetServiceName",
                    [&](const json& item) { return stringOut(item, "serviceName", v); });
    }
    STDMETHODIMP GetTabbet(LONG* v) override {
        return read("IOutboxItem::GetTabbet", [&](const json& item) { return longOut(item, "tabbet", v); });
    }
    STDMETHODIMP IsNetworkService(VARIANT_BOOL* v) override {
        return read("IOutboxItem::IsNetworkService",
                    [&](const json& item) { return boolOut(flag(item, "network"), v); });
    }
    STDMETHODIMP GetTimeSeconds(LONG* v) override {
        return read("IOutboxItem::GetTimeSeconds",
                    [&](const json& item) { return longOut(item, "seconds", v); });
    }
    STDMETHODIMP GetTimeMilliseconds(LONG* v) override {
        return read("IOutboxItem::GetTimeMilliseconds",
                    [&](const json& item) { return longOut(item, "milliseconds", v); });
    }
    STDMETHODIMP GetResult(LONG* v) override {
        return read("IOutboxItem::GetResult", [&](const json& item) { return longOut(item, "result", v); });
    }
    STDMETHODIMP GetUrl(BSTR* v) override {
        return read("IOutboxItem::GetUrl", [&](const json& item) { return stringOut(item, "url", v); });
    }
    STDMETHODIMP GetMessage(BSTR* v) override {
        return read("IOutboxItem::GetMessage",
                    [&](const json& item) { return stringOut(item, "message", v); });
    }
    STDMETHODIMP IsVisited(VARIANT_BOOL* v) override {
        return read("IOutboxItem::IsVisited",
                    [&](const json& item) { return boolOut(flag(item, "visited"), v); });
    }

    STDMETHODIMP SetVisited(VARIANT_BOOL visited) override {
        return write([&](IOutboxItem* live, json& item) {
            HRESULT hr = live->SetVisited(visited);
            if (SUCCEEDED(hr))
                item["visited"] = visited != VARIANT_FALSE;
            return hr;
        });
    }
    STDMETHODIMP Remove() override {
        return write([&](IOutboxItem* live, json& item) {
            HRESULT hr = live->Remove();
            if (SUCCEEDED(hr))
                item = nullptr;
            return hr;
        });
    }

private:
    template <class Get> HRESULT read(const char* method, Get&& get) {
        HRESULT hr = state_->rules.enter(method);
        if (FAILED(hr))
            return hr;
        std::lock_guard<std::mutex> guard(state_->lock);
        const json& item = state_->items[position_];
        return item.is_null() ? E_FAIL : get(item);
    }

    // The pen's own item does the change; the copy follows when it succeeded.
    template <class Change> HRESULT write(Change&& change) {
        std::string penId;
        LONG seconds = -1;
        LONG milliseconds = -1;
        {
            std::lock_guard<std::mutex> guard(state_->lock);
            const json& item = state_->items[position_];
            if (item.is_null())
                return E_FAIL;
            penId = state_->penId;
            seconds = item.value("seconds", -1L);
            milliseconds = item.value("milliseconds", -1L);
        }
        ComPtr<IPenManagerControl> control;
        HRESULT hr =
            CoCreateInstance(CLSID_PenManagerControl, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&control));
        if (FAILED(hr))
            return hr;
        BSTR id = toBstr(penId);
        ComPtr<IOutboxItem> live;
        hr = id ? control->GetOutboxItem(id, seconds, milliseconds, &live) : E_OUTOFMEMORY;
        SysFreeString(id);
        if (FAILED(hr))
            return hr;
        std::lock_guard<std::mutex> guard(state_->lock);
        return change(live.Get(), state_->items[position_]);
    }

    std::shared_ptr<OutboxState> state_;
    size_t position_; // in state_->items
};

} // namespace

OutboxCopy::OutboxCopy() : state_(std::make_shared<OutboxState>()) {}

STDMETHODIMP OutboxCopy::GetCount(LONG* count) {
    HRESULT hr = state_->rules.enter("IOutbox::GetCount");
    if (FAILED(hr))
        return hr;
    std::lock_guard<std::mutex> guard(state_->lock);
    LONG present = 0;
    for (const json& item : state_->items)
        present += item.is_null() ? 0 : 1;
    return countOut(present, count);
}

STDMETHODIMP OutboxCopy::GetItem(LONG index, VARIANT* item) {
    HRESULT hr = state_->rules.enter("IOutbox::GetItem");
    if (FAILED(hr))
        return hr;
    std::lock_guard<std::mutex> guard(state_->lock);
    LONG seen = 0;
    for (size_t i = 0; i < state_->items.size(); ++i) {
        if (state_->items[i].is_null() || ++seen != index)
            continue;
        if (!state_->items[i].is_object())
            return E_FAIL;
        return handOutVariant(new OutboxItemCopy(state_, i), item);
    }
    return E_INVALIDARG;
}

STDMETHODIMP OutboxCopy::GetItemByTime(LONG seconds, LONG milliseconds, IOutboxItem** item) {
    HRESULT hr = state_->rules.enter("IOutbox::GetItemByTime");
    if (FAILED(hr))
        return hr;
    if (!item)
        return E_POINTER;
    *item = nullptr;
    std::lock_guard<std::mutex> guard(state_->lock);
    const long at = findByTime(state_->items, seconds, milliseconds);
    return at < 0 ? E_INVALIDARG : handOut(new OutboxItemCopy(state_, static_cast<size_t>(at)), item);
}

CLSID OutboxCopy::copyClass() const {
    return CLSID_OutboxCopy;
}

const std::string& OutboxCopy::marshalText() {
    if (text_.empty()) {
        std::lock_guard<std::mutex> guard(state_->lock);
        json items = json::array();
        for (const json& item : state_->items)
            if (!item.is_null())
                items.push_back(item);
        text_ = json{{"penId", state_->penId}, {"items", std::move(items)}, {"rules", state_->rules.save()}}
                    .dump();
    }
    return text_;
}

HRESULT OutboxCopy::restore(const std::string& text) {
    json parsed = json::parse(text, nullptr, false);
    if (!parsed.is_object() || !parsed.contains("items") || !parsed["items"].is_array())
        return E_UNEXPECTED;
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->penId = parsed.value("penId", "");
    state_->items = std::move(parsed["items"]);
    state_->rules.load(parsed.value("rules", json::object()));
    return S_OK;
}
