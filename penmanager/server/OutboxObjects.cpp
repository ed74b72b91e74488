#include "PenObjects.h"

#include "ByValueObject.h"
#include "Calls.h"
#include "OutboxCopyClass.h"
#include "PenStore.h"
#include "Values.h"

using nlohmann::json;
using namespace Values;

namespace {

// An outbox item is known by its time stamp; it reads the pen's outbox on every call,
// so a removed item answers with a failure.
class OutboxItem : public DualObject<IOutboxItem> {
public:
    OutboxItem(std::string penId, LONG seconds, LONG milliseconds)
        : penId_(std::move(penId)), seconds_(seconds), milliseconds_(milliseconds) {}

    static json* find(json& pen, LONG seconds, LONG milliseconds, size_t* index = nullptr) {
        json& outbox = pen["outbox"];
        const long at = findByTime(outbox, seconds, milliseconds);
        if (at < 0)
            return nullptr;
        if (index)
            *index = static_cast<size_t>(at);
        return &outbox[static_cast<size_t>(at)];
    }

#define PM_ITEM(method, ...)                                                                                 \
    PM_CALL("IOutboxItem::" method, {                                                                        \
        PM_PEN(false);                                                                                       \
        json* item = find(*pen, seconds_, milliseconds_);                                                    \
        if (!item)                                                                                           \
            return E_FAIL;                                                                                   \
        __VA_ARGS__                                                                                          \
    })
    STDMETHODIMP GetStatus(LONG* v) override {
        PM_ITEM("GetStatus", return longOut(*item, "status", v););
    }
    STDMETHODIMP GetServiceName(BSTR* v) override {
        PM_ITEM("GetServiceName", return stringOut(*item, "serviceName", v););
    }
    STDMETHODIMP GetTabbet(LONG* v) override {
        PM_ITEM("GetTabbet", return longOut(*item, "tabbet", v););
    }
    STDMETHODIMP IsNetworkService(VARIANT_BOOL* v) override {
        PM_ITEM("IsNetworkService", return boolOut(flag(*item, "network"), v););
    }
    STDMETHODIMP GetTimeSeconds(LONG* v) override {
        PM_ITEM("GetTimeSeconds", return longOut(*item, "seconds", v););
    }
    STDMETHODIMP GetTimeMilliseconds(LONG* v) override {
        PM_ITEM("GetTimeMilliseconds", return longOut(*item, "milliseconds", v););
    }
    STDMETHODIMP GetResult(LONG* v) override {
        PM_ITEM("GetResult", return longOut(*item, "result", v););
    }
    STDMETHODIMP GetUrl(BSTR* v) override {
        PM_ITEM("GetUrl", return stringOut(*item, "url", v););
    }
    STDMETHODIMP GetMessage(BSTR* v) override {
        PM_ITEM("GetMessage", return stringOut(*item, "message", v););
    }
    STDMETHODIMP IsVisited(VARIANT_BOOL* v) override {
        PM_ITEM("IsVisited", return boolOut(flag(*item, "visited"), v););
    }
    STDMETHODIMP SetVisited(VARIANT_BOOL visited) override {
        PM_ITEM("SetVisited", {
            (*item)["visited"] = visited != VARIANT_FALSE;
            PenStore::instance().savePen(penId_);
            return S_OK;
        });
    }
    // The outbox is the pen's own: removing a request takes effect at once.
    STDMETHODIMP Remove() override {
        PM_CALL("IOutboxItem::Remove", {
            PM_PEN(false);
            size_t index = 0;
            if (!find(*pen, seconds_, milliseconds_, &index))
                return E_FAIL;
            (*pen)["outbox"].erase(index);
            PenStore::instance().savePen(penId_);
            return S_OK;
        });
    }
#undef PM_ITEM

private:
    std::string penId_;
    LONG seconds_;
    LONG milliseconds_;
};

// The outbox as the stand-in's own process sees it. Other processes get a copy (see
// OutboxCopyClass.h), made when the outbox is marshaled.
class Outbox : public ByValueObject<IOutbox> {
public:
    explicit Outbox(std::string penId) : penId_(std::move(penId)) {}
    STDMETHODIMP GetCount(LONG* count) override {
        PM_CALL("IOutbox::GetCount", {
            PM_PEN(false);
            return countOut(listCount((*pen)["outbox"]), count);
        });
    }
    STDMETHODIMP GetItem(LONG index, VARIANT* item) override {
        PM_CALL("IOutbox::GetItem", {
            PM_PEN(false);
            const json& outbox = (*pen)["outbox"];
            if (!inList(outbox, index))
                return E_INVALIDARG;
            const json& entry = outbox[index - 1];
            if (!entry.is_object())
                return E_FAIL;
            return handOutVariant(
                new OutboxItem(penId_, entry.value("seconds", -1L), entry.value("milliseconds", -1L)), item);
        });
    }
    STDMETHODIMP GetItemByTime(LONG seconds, LONG milliseconds, IOutboxItem** item) override {
        PM_CALL("IOutbox::GetItemByTime", {
            if (!item)
                return E_POINTER;
            *item = nullptr;
            PM_PEN(false);
            if (!OutboxItem::find(*pen, seconds, milliseconds))
                return E_INVALIDARG;
            return handOut(new OutboxItem(penId_, seconds, milliseconds), item);
        });
    }

protected:
    CLSID copyClass() const override { return CLSID_OutboxCopy; }
    const std::string& marshalText() override {
        if (text_.empty()) {
            json* pen = PenStore::instance().findPen(penId_);
            json items = pen && pen->contains("outbox") && (*pen)["outbox"].is_array() ? (*pen)["outbox"]
                                                                                       : json::array();
            json rules = Calls::instance().handOver(
                {"IOutbox::GetCount", "IOutbox::GetItem", "IOutbox::GetItemByTime", "IOutboxItem::GetStatus",
                 "IOutboxItem::GetServiceName", "IOutboxItem::GetTabbet", "IOutboxItem::IsNetworkService",
                 "IOutboxItem::GetTimeSeconds", "IOutboxItem::GetTimeMilliseconds", "IOutboxItem::GetResult",
                 "IOutboxItem::GetUrl", "IOutboxItem::GetMessage", "IOutboxItem::IsVisited"});
            text_ = json{{"penId", penId_}, {"items", std::move(items)}, {"rules", std::move(rules)}}.dump();
        }
        return text_;
    }

private:
    std::string penId_;
    std::string text_; // made once: the rules handed over go with the first copy only
};

} // namespace

IOutbox* newOutbox(const std::string& penId) {
    return new Outbox(penId);
}

IOutboxItem* newOutboxItem(const std::string& penId, LONG seconds, LONG milliseconds) {
    return new OutboxItem(penId, seconds, milliseconds);
}
