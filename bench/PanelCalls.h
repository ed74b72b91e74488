#pragma once
// PanelCalls: the pen calls the panel makes for each action the sheet bench times, in
// the panel's order, made here in the bench process with no window. Their time is what
// those calls cost by themselves: a call that hands out an object (a pen, a copy, a
// collection item) costs several round trips under the type-library marshaler (proxy
// and stub built, the item's interface asked for, the object released), so calls times
// one round trip is no floor for them. The pen manager comes through the panel's own
// factory, which holds the type libraries as the panel does.
#include <windows.h>

#include <string>

#include "pen/PenManagerFactory.h"

class PanelCalls {
public:
    explicit PanelCalls(const wchar_t* penId) : m_penId(penId) {}

    // The pages reloaded on docking: the Status page (the pen, its lock and its battery),
    // then the About page's pen values, then every other page.
    enum class Pages { Status, StatusAndAbout, Every };
    double Docking(Pages pages);
    // The Details page's Apply of the time zone.
    double ApplyTimeZone();
    // The service log's rows: the outbox, and every value of each of its requests.
    double ServiceLog();

private:
    bool Pen(Microsoft::WRL::ComPtr<IPen>& pen);
    void StatusOf(IPen* pen);
    void AboutOf(IPen* pen);
    void ShortcutsOf(IPen* pen);
    void InternetOf(IPen* pen);
    void DetailsOf(IPen* pen);
    template <class Reads> double Timed(Reads&& reads);

    std::wstring m_penId;
    PenManagerFactory m_factory;
};
