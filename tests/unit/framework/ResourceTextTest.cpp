#include <gtest/gtest.h>

#include "framework/ResourceText.h"

TEST(FormatInserts, ExpandsMessageFormatInserts) {
    EXPECT_EQ(FormatInserts(L"%1!d!%% remanente", {DWORD_PTR(85)}), L"85% remanente");
    EXPECT_EQ(FormatInserts(L"Ocurrió un error imprevisto (0x%1!08x!).", {DWORD_PTR(0x8004033E)}),
              L"Ocurrió un error imprevisto (0x8004033e).");
    EXPECT_EQ(FormatInserts(L"%2!s! - %1!s!", {DWORD_PTR(L"uno"), DWORD_PTR(L"dos")}), L"dos - uno");
    // Negative numbers through %d keep their sign.
    EXPECT_EQ(FormatInserts(L"%1!d!", {DWORD_PTR(static_cast<DWORD>(-5))}), L"-5");
}
