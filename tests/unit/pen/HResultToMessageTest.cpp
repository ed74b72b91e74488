// Error texts: which sentence each pen manager or service code gives, and the two texts
// that carry the code.
#include <gtest/gtest.h>

#include "pen/HResultToMessage.h"
#include "framework/ResourceText.h"
#include "res/resource.h"

namespace {
HRESULT Code(unsigned value) {
    return static_cast<HRESULT>(value);
}
} // namespace

TEST(HResultToMessage, CodesMapToTheirTexts) {
    struct Case {
        unsigned code;
        UINT id;
    } cases[] = {
        {0x80040303, 216},
        {0x80040306, 217},
        {0x80040310, 217},
        {0x80040314, 217},
        {0x8004030E, 218},
        {0x80040311, 201},
        {0x80040313, 201},
        {0x8004033A, 201},
        {0x80040315, 202},
        {0x80040317, 204},
        {0x80040319, 205},
        {0x8004031A, 206},
        {0x80040328, 206},
        {0x8004031B, 207},
        {0x8004031C, 208},
        {0x8004031D, 209},
        {0x8004031E, 215},
        {0x80040321, 215},
        {0x8004032B, 215},
        {0x8004032C, 215},
        {0x8004033D, 215},
        {0x80040323, 214},
        {0x80040324, 212},
        {0x80040325, 210},
        {0x80040326, 211},
        {0x8004033C, 211},
        {0x80040327, 213},
        {0x80040333, 219},
        {0x80040336, 219},
        {0x80040338, 203},
        {0x8004033B, 203},
        {0x8007000E, 220},
        // Neighbours of the ranges and codes outside the table.
        {0x80040322, 200},
        {0x8004033E, 200},
        {0x80040337, 200},
        {0x80040332, 200},
        {0x8004032D, 200},
        {0x8007000F, 200},
        {0x00000000, 200},
        {0xFFFFFFFF, 200},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HResultToMessageId(Code(c.code)), c.id) << std::hex << c.code;
}

TEST(HResultToMessage, UnknownCodesShowTheCodeInLowerCaseHex) {
    EXPECT_EQ(
        HResultToMessage(Code(0x80040322)),
        L"Ocurrió un error imprevisto (0x80040322). Guarde su trabajo, cierre todos los programas e intente "
        L"nuevamente.");
    EXPECT_NE(HResultToMessage(Code(0x8004033E)).find(L"(0x8004033e)"), std::wstring::npos);
    EXPECT_NE(HResultToMessage(S_OK).find(L"(0x00000000)"), std::wstring::npos);
    EXPECT_NE(HResultToMessage(Code(0x80040334)).find(L"disco duro (0x80040334)."), std::wstring::npos);
}
