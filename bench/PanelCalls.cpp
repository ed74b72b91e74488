#include "PanelCalls.h"

#include "Figures.h"
#include "framework/Bstr.h"
#include "kit/StandIn.h"

using Microsoft::WRL::ComPtr;
using StandIn::item;

template <class Reads> double PanelCalls::Timed(Reads&& reads) {
    const double start = BenchNow();
    reads();
    return BenchNow() - start;
}

bool PanelCalls::Pen(ComPtr<IPen>& pen) {
    ComPtr<IPenManager> manager;
    Bstr id(m_penId);
    if (FAILED(m_factory.Create(manager)) || FAILED(manager->GetPen(id.Get(), &pen)))
        return false;
    VARIANT_BOOL locked;
    pen->IsLocked(&locked);
    return true;
}

void PanelCalls::StatusOf(IPen* pen) {
    ComPtr<IBatteryStatus> battery;
    if (FAILED(pen->GetBatteryStatus(&battery)))
        return;
    LONG value;
    battery->GetRemainingCharge(&value);
    battery->GetWritingHours(&value);
    battery->GetWritingMinutes(&value);
    battery->GetStandbyHours(&value);
    battery->GetStandbyMinutes(&value);
}

void PanelCalls::AboutOf(IPen* pen) {
    Bstr id;
    LONG seconds, milliseconds, bytes, count = 0;
    pen->GetPenId(id.Out());
    pen->GetTime(&seconds, &milliseconds);
    ComPtr<IMemoryStatus> memory;
    if (SUCCEEDED(pen->GetMemoryStatus(&memory))) {
        memory->GetUsedMemory(&bytes);
        memory->GetTotalMemory(&bytes);
    }
    ComPtr<IPairedDevices> devices;
    if (SUCCEEDED(pen->GetPairedDevices(&devices)))
        devices->GetCount(&count);
    for (long i = 1; i <= count; ++i)
        if (ComPtr<IPairedDevice> device = item<IPairedDevice>(devices.Get(), i)) {
            Bstr name;
            device->GetDeviceName(name.Out());
        }
    ComPtr<IRevisions> revisions;
    if (SUCCEEDED(pen->GetRevisions(&revisions))) {
        Bstr text[6];
        revisions->GetApplicationRevision(text[0].Out());
        revisions->GetBootRevision(text[1].Out());
        revisions->GetCustomizationRevision(text[2].Out());
        revisions->GetHardwareRevision(text[3].Out());
        revisions->GetParameterRevision(text[4].Out());
        revisions->GetProductionRevision(text[5].Out());
    }
}

void PanelCalls::ShortcutsOf(IPen* pen) {
    ComPtr<IAddressShortcuts> shortcuts;
    long count = 0;
    if (SUCCEEDED(pen->GetAddressShortcuts(&shortcuts)))
        shortcuts->GetCount(&count);
    for (long i = 1; i <= count; ++i)
        if (ComPtr<IAddressShortcut> shortcut = item<IAddressShortcut>(shortcuts.Get(), i)) {
            Bstr name, email, cellPhone, fax;
            shortcut->GetName(name.Out());
            shortcut->GetEmail(email.Out());
            shortcut->GetCellPhone(cellPhone.Out());
            shortcut->GetFax(fax.Out());
        }
}

// The server page's pen manager values, then the first paired device's priority.
void PanelCalls::InternetOf(IPen* pen) {
    ComPtr<IPenManager> manager;
    if (SUCCEEDED(m_factory.Create(manager))) {
        Bstr url;
        VARIANT_BOOL enabled;
        manager->GetOrskUrl(url.Out());
        manager->IsRedirectionEnabled(&enabled);
    }
    ComPtr<IPairedDevices> devices;
    long count = 0;
    if (SUCCEEDED(pen->GetPairedDevices(&devices)))
        devices->GetCount(&count);
    if (ComPtr<IPairedDevice> device = count ? item<IPairedDevice>(devices.Get(), 1) : nullptr) {
        Bstr name;
        device->GetDeviceName(name.Out());
        ComPtr<IIspSettings> settings;
        LONG priority;
        if (SUCCEEDED(device->GetIspSettings(&settings)))
            settings->GetPriority(&priority);
    }
}

void PanelCalls::DetailsOf(IPen* pen) {
    ComPtr<IUserData> data;
    if (SUCCEEDED(pen->GetUserData(&data))) {
        Bstr name, email, cellPhone, language;
        short zone = 0;
        VARIANT_BOOL flag;
        data->GetName(name.Out());
        data->GetEmail(email.Out());
        data->GetCellPhone(cellPhone.Out());
        data->GetFeedbackLanguage(language.Out());
        data->GetTimeZone(&zone);
        data->IsNameReadOnly(&flag);
        data->IsEmailReadOnly(&flag);
        data->IsCellPhoneReadOnly(&flag);
        data->IsFeedbackLanguageReadOnly(&flag);
        data->IsTimeZoneReadOnly(&flag);
    }
}

double PanelCalls::Docking(Pages pages) {
    return Timed([&] {
        ComPtr<IPen> pen;
        if (!Pen(pen))
            return;
        StatusOf(pen.Get());
        if (pages == Pages::Status)
            return;
        AboutOf(pen.Get());
        if (pages == Pages::StatusAndAbout)
            return;
        ShortcutsOf(pen.Get());
        InternetOf(pen.Get());
        DetailsOf(pen.Get());
        VARIANT_BOOL set;
        pen->IsPasswordSet(&set);
    });
}

double PanelCalls::ApplyTimeZone() {
    ComPtr<IPen> pen;
    ComPtr<IUserData> before;
    short zone = 0;
    // The pen keeps its zone: the one it has is written back.
    if (!Pen(pen) || FAILED(pen->GetUserData(&before)) || FAILED(before->GetTimeZone(&zone)))
        return -1;
    before.Reset();
    return Timed([&] {
        ComPtr<IUserData> data;
        if (SUCCEEDED(pen->GetUserData(&data)) && SUCCEEDED(data->SetTimeZone(zone)))
            pen->SetUserData(data.Get());
    });
}

double PanelCalls::ServiceLog() {
    ComPtr<IPen> pen;
    if (!Pen(pen))
        return -1;
    return Timed([&] {
        ComPtr<IOutbox> outbox;
        LONG count = 0;
        if (SUCCEEDED(pen->GetOutbox(&outbox)))
            outbox->GetCount(&count);
        for (LONG i = 1; i <= count; ++i)
            if (ComPtr<IOutboxItem> entry = item<IOutboxItem>(outbox.Get(), i)) {
                LONG status, seconds, milliseconds, result;
                VARIANT_BOOL visited;
                Bstr name, url, message;
                entry->GetStatus(&status);
                entry->GetServiceName(name.Out());
                entry->GetTimeSeconds(&seconds);
                entry->GetTimeMilliseconds(&milliseconds);
                entry->GetResult(&result);
                entry->GetUrl(url.Out());
                entry->IsVisited(&visited);
                entry->GetMessage(message.Out());
            }
    });
}
