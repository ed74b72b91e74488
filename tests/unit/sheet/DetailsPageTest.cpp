// The Details page's two code tables, every entry: the language list's names against the
// pen's language codes, and the time zone list's "GMT ±hh:mm" texts against the minutes
// the pen stores.
#include <gtest/gtest.h>

#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "framework/ResourceText.h"
#include "res/resource.h"
#include "sheet/DetailsPage.h"

namespace {
std::vector<std::wstring> Lines(UINT id) {
    std::vector<std::wstring> lines;
    std::wistringstream text(LoadResString(id));
    for (std::wstring line; std::getline(text, line, L'\n');)
        lines.push_back(line);
    return lines;
}
} // namespace

TEST(DetailsPage, EveryLanguageShownHasItsCode) {
    const char* const codes[] = {"en", "fr", "de", "es", "se", "fi", "da", "no", "nl",
                                 "it", "el", "pt", "ar", "zh", "hi", "ja", "ru"};
    const std::vector<std::wstring> names = Lines(IDS_LANGUAGES);
    ASSERT_EQ(names.size(), std::size(codes));
    for (int i = 0; i < static_cast<int>(names.size()); ++i) {
        EXPECT_STREQ(DetailsPage::FeedbackFromIndex(i), codes[i]) << i;
        EXPECT_EQ(DetailsPage::FeedbackToIndex(codes[i]), i) << codes[i];
    }
    EXPECT_EQ(DetailsPage::FeedbackFromIndex(static_cast<int>(names.size())), nullptr);
}

TEST(DetailsPage, EveryTimeZoneShownHasItsMinutes) {
    const std::vector<std::wstring> zones = Lines(IDS_TIME_ZONES);
    ASSERT_EQ(zones.size(), 33u);
    for (int i = 0; i < static_cast<int>(zones.size()); ++i) {
        const std::wstring& text = zones[static_cast<size_t>(i)];
        short minutes = 0;
        if (text != L"GMT") {
            const int hours = std::stoi(text.substr(5, 2)), rest = std::stoi(text.substr(8, 2));
            minutes = static_cast<short>((text[4] == L'-' ? -1 : 1) * (hours * 60 + rest));
        }
        EXPECT_EQ(DetailsPage::TimezoneFromIndex(i), minutes) << i;
        EXPECT_EQ(DetailsPage::TimezoneToIndex(minutes), i) << i;
    }
}
