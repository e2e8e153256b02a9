// SPDX-License-Identifier: GPL-3.0-or-later
#include "fields/fieldcatalogue.h"
#include "fields/valuetext.h"

#include <gtest/gtest.h>

#include <set>

TEST(ValueText, CodedFieldsShowTheirWordsAndOtherCodesTheNumber)
{
    EXPECT_EQ(ValueText(0, 130, "."), "norm safe");
    EXPECT_EQ(ValueText(50, 2, "."), "norm");
    EXPECT_EQ(ValueText(0, 0, "."), "idle");
    EXPECT_EQ(ValueText(39, 4, "."), "full");
    EXPECT_EQ(ValueText(40, 2, "."), "SW fixed point");
    EXPECT_EQ(ValueText(70, 9, "."), "CC cur batt");
    EXPECT_EQ(ValueText(73, 6, "."), "detumb EKF");
    EXPECT_EQ(ValueText(75, 3, "."), "3");
    EXPECT_EQ(ValueText(76, 5, "."), "Mag TRIAD");
    EXPECT_EQ(ValueText(76, 15, "."), "15");
    // Codes outside a table show the number rather than an earlier word.
    EXPECT_EQ(ValueText(0, 7, "."), "7");
    EXPECT_EQ(ValueText(39, 200, "."), "200");
}

TEST(ValueText, HexWholeAndFixedFields)
{
    EXPECT_EQ(ValueText(74, 0, "."), "&H0");
    EXPECT_EQ(ValueText(37, 171, "."), "&HAB");
    EXPECT_EQ(ValueText(14, 255, "."), "&HFF");
    EXPECT_EQ(ValueText(1, 4660, "."), "4660");
    EXPECT_EQ(ValueText(33, -3, "."), "-3");
    EXPECT_EQ(ValueText(5, 4294967295.0, "."), "4294967295");
    EXPECT_EQ(ValueText(72, 600, "."), "600");
    EXPECT_EQ(ValueText(71, 600, "."), "600.00");
    EXPECT_EQ(ValueText(12, -105.9, ","), "-105,90");
    EXPECT_EQ(ValueText(47, 0, "."), "0.00");
    EXPECT_EQ(ValueText(104, 30, "."), "30");
}

TEST(FieldCatalogue, CaptionsAndUnits)
{
    EXPECT_EQ(FieldCaption(29), "3v3 #3 curr");
    EXPECT_EQ(FieldCaption(50), FieldCaption(0));
    for (int spare = 46; spare <= 49; ++spare) {
        EXPECT_EQ(FieldCaption(spare), "Option1");
        EXPECT_EQ(FieldUnit(spare), "");
        EXPECT_EQ(FieldCatalogue(spare).Frame, FieldFrame::None);
    }
}

TEST(FieldCatalogue, NoTwoRowsShareAPlace)
{
    std::set<std::tuple<int, int, int>> places;
    for (int i = 0; i < 105; ++i) {
        const FieldEntry& e = FieldCatalogue(i);
        if (e.Frame == FieldFrame::None)
            continue;
        EXPECT_TRUE(places.insert({static_cast<int>(e.Frame), e.Column, e.Line}).second) << "field " << i;
        EXPECT_EQ(i < 50,
            e.Frame == FieldFrame::Frame2 || e.Frame == FieldFrame::Label2Label2 || e.Frame == FieldFrame::Frame3
                || e.Frame == FieldFrame::Frame4)
            << "field " << i << " is on the wrong page";
    }
    EXPECT_EQ(places.size(), 101u);
}
