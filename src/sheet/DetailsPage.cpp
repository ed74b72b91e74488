#include "sheet/DetailsPage.h"

#include <mbstring.h>
#include <wrl/client.h>

#include <iterator>

#include "core/StringPackage.h"
#include "sheet/EditValidation.h"
#include "sheet/MoreDetailsSheet.h"
#include "res/resource.h"
#include "sheet/UserDataCopy.h"

using Microsoft::WRL::ComPtr;

namespace {
// In the order of the language list (string 100). "se" is what the pen calls Swedish.
const char* const kLanguages[] = {"en", "fr", "de", "es", "se", "fi", "da", "no", "nl",
                                  "it", "el", "pt", "ar", "zh", "hi", "ja", "ru"};
// In the order of the time zone list (string 101), minutes from GMT.
constexpr short kTimeZones[] = {-720, -660, -600, -540, -480, -420, -360, -300, -240, -210, -180,
                                -120, -60,  0,    60,   120,  180,  210,  240,  270,  300,  330,
                                345,  360,  390,  420,  480,  540,  570,  600,  660,  720,  780};

std::string InSystemCodePage(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string result(size > 0 ? size : 1, '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, result.data(), size, nullptr, nullptr);
    result.resize(result.size() - 1);
    return result;
}
} // namespace

DetailsPage::DetailsPage() : SheetPage(IDD_DETAILS, "DetailsPage") {
    m_texts.Add(m_nameEdit, &IUserData::GetName, &IUserData::SetName, &IUserData::IsNameReadOnly,
                "Failed to set name (0x%08x).", IDS_VALUE_NAME);
    m_texts.Add(m_emailEdit, &IUserData::GetEmail, &IUserData::SetEmail, &IUserData::IsEmailReadOnly,
                "Failed to set e-mail address (0x%08x).", IDS_VALUE_EMAIL);
    m_texts.Add(m_cellPhoneEdit, &IUserData::GetCellPhone, &IUserData::SetCellPhone,
                &IUserData::IsCellPhoneReadOnly, "Failed to set cell phone number (0x%08x).",
                IDS_VALUE_CELL_PHONE);
}

DetailsPage::~DetailsPage() = default;

int DetailsPage::FeedbackToIndex(const char* code) {
    TraceScope scope("DetailsPage::FeedbackToIndex", true);
    if (!code)
        return -1;
    for (int i = 0; i < static_cast<int>(std::size(kLanguages)); ++i)
        if (_mbsicmp(reinterpret_cast<const unsigned char*>(code),
                     reinterpret_cast<const unsigned char*>(kLanguages[i])) == 0)
            return i;
    return -1;
}

const char* DetailsPage::FeedbackFromIndex(int index) {
    TraceScope scope("DetailsPage::FeedbackFromIndex", true);
    return index >= 0 && index < static_cast<int>(std::size(kLanguages)) ? kLanguages[index] : nullptr;
}

int DetailsPage::TimezoneToIndex(short minutes) {
    TraceScope scope("DetailsPage::TimezoneToIndex", true);
    for (int i = 0; i < static_cast<int>(std::size(kTimeZones)); ++i)
        if (kTimeZones[i] == minutes)
            return i;
    return -1;
}

short DetailsPage::TimezoneFromIndex(int index) {
    TraceScope scope("DetailsPage::TimezoneFromIndex", true);
    return index >= 0 && index < static_cast<int>(std::size(kTimeZones)) ? kTimeZones[index] : 0;
}

BOOL DetailsPage::OnInitDialog() {
    TraceScope scope("DetailsPage::OnInitDialog");
    const BOOL result = SheetPage::OnInitDialog();
    if (!m_nameEdit.SubclassDlgItem(IDC_DETAILS_NAME, m_hwnd) ||
        !m_emailEdit.SubclassDlgItem(IDC_DETAILS_EMAIL, m_hwnd) ||
        !m_cellPhoneEdit.SubclassDlgItem(IDC_DETAILS_CELL_PHONE, m_hwnd))
        return FALSE;
    FillCB(IDC_DETAILS_LANGUAGE, IDS_LANGUAGES);
    FillCB(IDC_DETAILS_TIME_ZONE, IDS_TIME_ZONES);
    UpdatePage();
    return result;
}

void DetailsPage::OnDestroy() {
    TraceScope scope("DetailsPage::OnDestroy");
    m_moreDetails.reset();
    m_texts.Clear();
}

void DetailsPage::UpdatePage() {
    TraceScope scope("DetailsPage::UpdatePage");
    IPen* pen = GetPen();
    m_texts.Clear();
    m_languageAsRead = m_timeZoneAsRead = -1;
    bool languageReadOnly = true, timeZoneReadOnly = true;
    ComPtr<IUserData> data;
    if (pen)
        GetUserDataCopy(pen, data, scope);
    if (data) {
        // The five values, then the five read-only flags.
        m_texts.ReadValues(data.Get());
        if (TextAsRead code = ReadPenText(data.Get(), &IUserData::GetFeedbackLanguage))
            m_languageAsRead = FeedbackToIndex(InSystemCodePage(*code).c_str());
        short minutes = 0;
        if (SUCCEEDED(data->GetTimeZone(&minutes)))
            m_timeZoneAsRead = TimezoneToIndex(minutes);
        m_texts.ReadFlags(data.Get());
        VARIANT_BOOL flag = VARIANT_TRUE;
        if (SUCCEEDED(data->IsFeedbackLanguageReadOnly(&flag)))
            languageReadOnly = flag != VARIANT_FALSE;
        flag = VARIANT_TRUE;
        if (SUCCEEDED(data->IsTimeZoneReadOnly(&flag)))
            timeZoneReadOnly = flag != VARIANT_FALSE;
    }
    m_texts.Show(pen != nullptr);
    SetCBItem(IDC_DETAILS_LANGUAGE, m_languageAsRead, languageReadOnly);
    SetCBItem(IDC_DETAILS_TIME_ZONE, m_timeZoneAsRead, timeZoneReadOnly);
    OnUpdateUI();
}

int DetailsPage::Selection(int comboId) const {
    return static_cast<int>(SendDlgItemMessageW(m_hwnd, comboId, CB_GETCURSEL, 0, 0));
}

void DetailsPage::OnUpdateUI() {
    TraceScope scope("DetailsPage::OnUpdateUI", true);
    SetModified(m_texts.Modified() || ComboChanged(IDC_DETAILS_LANGUAGE, m_languageAsRead) ||
                ComboChanged(IDC_DETAILS_TIME_ZONE, m_timeZoneAsRead));
}

bool DetailsPage::Validate() {
    TraceScope scope("DetailsPage::Validate");
    return ValidateEdits({&m_nameEdit, &m_emailEdit, &m_cellPhoneEdit},
                         [this] { AskQuestion(IDS_INVALID_INPUT, IDS_INVALID_CAPTION, MB_ICONERROR); });
}

BOOL DetailsPage::OnKillActive() {
    TraceScope scope("DetailsPage::OnKillActive");
    return Validate() ? SheetPage::OnKillActive() : FALSE;
}

BOOL DetailsPage::OnApply() {
    TraceScope scope("DetailsPage::OnApply");
    if (!Validate())
        return FALSE;
    IPen* pen = GetPen();
    if (!pen)
        return TRUE;
    const WriteFailedFn failed = [this](UINT name, HRESULT hr) { WriteFailed(name, hr); };
    const bool languageChanged = ComboChanged(IDC_DETAILS_LANGUAGE, m_languageAsRead);
    const bool timeZoneChanged = ComboChanged(IDC_DETAILS_TIME_ZONE, m_timeZoneAsRead);
    ComPtr<IUserData> data;
    HRESULT hr = GetUserDataCopy(pen, data, scope);
    if (FAILED(hr)) {
        m_texts.ReportChanged(hr, failed);
        if (languageChanged)
            failed(IDS_VALUE_LANGUAGE, hr);
        if (timeZoneChanged)
            failed(IDS_VALUE_TIME_ZONE, hr);
        OnUpdateUI();
        return TRUE;
    }
    bool written = m_texts.Write(data.Get(), scope, failed);
    // Combo values set on the user data, as list indexes; -1 when not set.
    int language = -1, timeZone = -1;
    if (languageChanged) {
        const int selected = Selection(IDC_DETAILS_LANGUAGE);
        Bstr code(StringPackage::utf8ToWide(FeedbackFromIndex(selected) ? FeedbackFromIndex(selected) : ""));
        hr = data->SetFeedbackLanguage(code.Get());
        if (FAILED(hr)) {
            scope.warning("Failed to set feedback language (0x%08x).", static_cast<unsigned>(hr));
            failed(IDS_VALUE_LANGUAGE, hr);
        } else {
            language = selected;
            written = true;
        }
    }
    if (timeZoneChanged) {
        const int selected = Selection(IDC_DETAILS_TIME_ZONE);
        hr = data->SetTimeZone(TimezoneFromIndex(selected));
        if (FAILED(hr)) {
            scope.warning("Failed to set timezone (0x%08x).", static_cast<unsigned>(hr));
            failed(IDS_VALUE_TIME_ZONE, hr);
        } else {
            timeZone = selected;
            written = true;
        }
    }
    if (written) {
        hr = pen->SetUserData(data.Get());
        if (FAILED(hr)) {
            scope.warning("Failed to set user data (0x%08x).", static_cast<unsigned>(hr));
            m_texts.Abandon(hr, failed);
            if (language >= 0)
                failed(IDS_VALUE_LANGUAGE, hr);
            if (timeZone >= 0)
                failed(IDS_VALUE_TIME_ZONE, hr);
        } else {
            m_texts.Commit();
            if (language >= 0)
                m_languageAsRead = language;
            if (timeZone >= 0)
                m_timeZoneAsRead = timeZone;
        }
    }
    OnUpdateUI();
    return TRUE;
}

bool DetailsPage::OnCommand(int id, int code) {
    if (id == IDC_DETAILS_MORE && code == BN_CLICKED) {
        OnMoreDetails();
        return true;
    }
    return SheetPage::OnCommand(id, code);
}

void DetailsPage::OnMoreDetails() {
    TraceScope scope("DetailsPage::OnMoreDetails");
    RunDialog(m_moreDetails, PenMessages::PassOn, m_hwnd);
}
