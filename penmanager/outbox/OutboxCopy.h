// A pen's outbox handed out by value, and its items. Reads answer from the copy, with the
// failures and delays injected for them; writes go to the pen's live item and then show
// in every item of this copy. A request removed by another client stays in the copy.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include <nlohmann/json.hpp>

#include "ByValueObject.h"
#include "InjectedRules.h"
#include "pen/PenManager.h"

struct OutboxState {
    std::mutex lock;
    std::string penId;
    nlohmann::json items = nlohmann::json::array(); // a removed request leaves a null
    InjectedRules rules;
};

class OutboxCopy : public ByValueObject<IOutbox> {
public:
    OutboxCopy();

    STDMETHODIMP GetCount(LONG* count) override;
    STDMETHODIMP GetItem(LONG index, VARIANT* item) override;
    STDMETHODIMP GetItemByTime(LONG seconds, LONG milliseconds, IOutboxItem** item) override;

protected:
    CLSID copyClass() const override;
    const std::string& marshalText() override;
    HRESULT restore(const std::string& text) override;

private:
    std::shared_ptr<OutboxState> state_;
    std::string text_;
};
