// Form panels as a module builds them, and the front's view of a posted panel.
#include "host/panel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/active.h"

namespace zelkor::host {
namespace {

enum : unsigned long {
    kCount = 0x10, kSize = 0x11, kLinked = 0x12, kSizeY = 0x13, kMap = 0x14, kInfluence = 0x15,
    kZero = 0x16, kAbout = 0x17, kGroup = 0x20, kTabs = 0x21,
};

const LWXPanelControl kControls[] = {
    {kCount, "Number of Clones", "integer"}, {kSize, "Size Variations", "percent"},
    {kLinked, "Independent Sizes", "iBoolean"}, {kSizeY, "Y", "percent"},
    {kMap, "Size WeightMap", "iPopChoice"}, {kInfluence, "Influence", "percent"},
    {kZero, "Zero", "vButton"}, {kAbout, "About", "vButton"}, {0, nullptr, nullptr},
};

const LWXPanelDataDesc kData[] = {
    {kCount, "Number of Clones", "integer"}, {kSize, "Size Variations", "float"},
    {kLinked, "Independent Sizes", "integer"}, {kSizeY, "Y", "float"},
    {kMap, "Size WeightMap", "integer"}, {kInfluence, "Influence", "float"},
    {kZero, "Zero", "vButton"}, {kAbout, "About", "vButton"}, {0, nullptr, nullptr},
};

// What a module's button handler does: write through the service table.
int zero_presses = 0;
void zero_sizes(LWXPanelID panel, int cid) {
    ++zero_presses;
    EXPECT_EQ(cid, int(kZero));
    const double zero = 0.0;
    PanelService::table()->formSet(panel, kSize, &zero);
    PanelService::table()->formSet(panel, kSizeY, &zero);
}

LWXPanelID build(const std::vector<const char*>& entries) {
    const LWXPanelFuncs* f = PanelService::table();
    LWXPanelID panel = f->create(LWXP_FORM, kControls);
    if (!panel) return nullptr;
    f->describe(panel, kData, nullptr, nullptr);
    static const unsigned long group[] = {kCount, kSize, kLinked, kSizeY, 0};
    static const unsigned long tabs[] = {kGroup, 0};
    static const unsigned long y_only[] = {kSizeY, 0};
    static const unsigned long influence[] = {kInfluence, 0};
    const LWXPanelHint hints[] = {
        {XpLABEL, 0, "Zelkor 1.6", nullptr, nullptr, nullptr},
        {XpGROUP_, kGroup, nullptr, group, nullptr, nullptr},
        {XpLABEL, kGroup, "Basic", nullptr, nullptr, nullptr},
        {XpTABS_, kTabs, nullptr, tabs, nullptr, nullptr},
        {XpDIVADD, kLinked, nullptr, nullptr, nullptr, nullptr},
        {XpSTRLIST, kMap, nullptr, nullptr, entries.data(), nullptr},
        {XpBUTNOTIFY, kZero, nullptr, nullptr, nullptr, zero_sizes},
        {XpENABLEMSG_, kLinked, "Size axes are linked", y_only, nullptr, nullptr},
        {XpENABLEMSG_, kMap, "Choose any weightmap first", influence, nullptr, nullptr},
        {XpEND, 0, nullptr, nullptr, nullptr, nullptr},
    };
    f->hint(panel, 0, hints);
    return panel;
}

struct PanelTest : ::testing::Test {
    PanelService service;
    ActiveScope<PanelService> scope{service};
    std::vector<const char*> entries = {"none", "Height", "Moss", nullptr};
    LWXPanelID id = build(entries);
    Panel& panel = *Panel::from_id(id);
};

TEST_F(PanelTest, KeepsControlsDescriptionsAndHints) {
    EXPECT_EQ(panel.title(), "Zelkor 1.6");
    EXPECT_EQ(panel.find(kSize)->control_class, "percent");
    EXPECT_EQ(panel.find(kSize)->data_type, "float");
    EXPECT_TRUE(panel.find(kLinked)->has_divider_after);
    EXPECT_FALSE(panel.find(kSize)->has_divider_after);
    EXPECT_EQ(panel.find(kMap)->popup_entries, (std::vector<std::string>{"none", "Height", "Moss"}));
    ASSERT_EQ(panel.groups().size(), 1u);
    EXPECT_EQ(panel.groups()[0].label, "Basic");
    EXPECT_EQ(panel.groups()[0].controls, (std::vector<unsigned long>{kCount, kSize, kLinked, kSizeY}));
    EXPECT_EQ(panel.tabs()[0].groups, (std::vector<unsigned long>{kGroup}));
    EXPECT_EQ(panel.find_by_label("Y"), panel.find(kSizeY));
}

TEST_F(PanelTest, FormGetAndFormSetMoveIntsAndDoubles) {
    const LWXPanelFuncs* f = PanelService::table();
    const int count = 25;
    const double size = 0.125;
    f->formSet(id, kCount, &count);
    f->formSet(id, kSize, &size);
    f->formSet(id, 0x99, &count);  // unknown: ignored
    EXPECT_EQ(*static_cast<int*>(f->formGet(id, kCount)), 25);
    EXPECT_EQ(*static_cast<double*>(f->formGet(id, kSize)), 0.125);
    EXPECT_EQ(panel.find(kCount)->value(), PanelValue(25));
    EXPECT_EQ(panel.find(kSize)->value(), PanelValue(0.125));
    EXPECT_EQ(f->formGet(id, kZero), nullptr);  // a button holds no value
    EXPECT_EQ(f->formGet(id, 0x99), nullptr);
}

TEST_F(PanelTest, EnableRulesRefuseADisabledControlWithTheirMessage) {
    EXPECT_FALSE(panel.enabled(kSizeY));
    EXPECT_EQ(panel.set(kSizeY, 0.5), std::optional<std::string>("Size axes are linked"));
    EXPECT_EQ(panel.find(kSizeY)->float_value, 0.0);
    EXPECT_EQ(panel.set(kInfluence, 0.5), std::optional<std::string>("Choose any weightmap first"));
    EXPECT_EQ(panel.set_unchecked(kSizeY, 0.25), std::nullopt);  // loading ignores the rules
    EXPECT_EQ(panel.find(kSizeY)->float_value, 0.25);

    EXPECT_EQ(panel.set(kLinked, 1), std::nullopt);
    EXPECT_EQ(panel.set(kSizeY, 0.5), std::nullopt);
    EXPECT_EQ(panel.find(kSizeY)->float_value, 0.5);
    EXPECT_EQ(panel.set(kMap, 2), std::nullopt);  // a popup entry other than "none" enables too
    EXPECT_EQ(panel.set(kInfluence, 0.75), std::nullopt);
    EXPECT_TRUE(panel.enabled(kSize));  // no rule lists it
}

TEST_F(PanelTest, SetRefusesValuesTheControlCannotHold) {
    EXPECT_EQ(panel.set(kCount, 2.5), std::optional<std::string>("\"Number of Clones\" takes a whole number"));
    EXPECT_EQ(panel.set(kCount, 3.0), std::nullopt);
    EXPECT_EQ(panel.find(kCount)->int_value, 3);
    EXPECT_EQ(panel.set(kSize, 2), std::nullopt);  // an int into a float control
    EXPECT_EQ(panel.find(kSize)->float_value, 2.0);
    EXPECT_EQ(panel.set(kMap, 3), std::nullopt);  // past the entries: kept as it is
    EXPECT_EQ(panel.find(kMap)->int_value, 3);
    EXPECT_EQ(panel.set(kMap, -1), std::optional<std::string>("\"Size WeightMap\" takes an entry number from 0"));
    EXPECT_EQ(panel.set(kZero, 1), std::optional<std::string>("\"Zero\" holds no value"));
    EXPECT_EQ(panel.set(0x99, 1), std::optional<std::string>("no control 0x99"));
    EXPECT_EQ(panel.set(kCount, PanelValue{}), std::optional<std::string>("\"Number of Clones\" needs a value"));
}

TEST_F(PanelTest, PostHandsThePanelToTheFrontWhichPressesButtons) {
    const LWXPanelFuncs* f = PanelService::table();
    const double size = 0.3;
    f->formSet(id, kSize, &size);
    EXPECT_EQ(f->post(id), 1);  // without a front: OK, nothing changes
    EXPECT_EQ(panel.find(kSize)->float_value, 0.3);
    zero_presses = 0;
    service.set_front([&](Panel& shown) {
        EXPECT_EQ(&shown, &panel);
        EXPECT_EQ(shown.press(kZero), std::nullopt);
        EXPECT_EQ(shown.press(kAbout), std::optional<std::string>("\"About\" does nothing"));
        EXPECT_EQ(shown.press(kCount), std::optional<std::string>("\"Number of Clones\" is not a button"));
        return 0;
    });
    EXPECT_EQ(f->post(id), 0);
    EXPECT_EQ(zero_presses, 1);
    EXPECT_EQ(panel.find(kSize)->float_value, 0.0);  // the handler ran inside post
    EXPECT_EQ(service.post_count(), 2);
}

TEST(PanelService, CreatesOnlyFormPanelsInsideAnActivationUntilDestroyed) {
    const LWXPanelFuncs* f = PanelService::table();
    EXPECT_EQ(f->create(LWXP_FORM, kControls), nullptr);
    PanelService service;
    ActiveScope<PanelService> scope(service);
    EXPECT_EQ(f->create(LWXP_FORM + 1, kControls), nullptr);
    LWXPanelID first = f->create(LWXP_FORM, kControls), second = f->create(LWXP_FORM, kControls);
    EXPECT_EQ(service.open_panel_count(), 2u);
    f->destroy(first);
    EXPECT_EQ(service.open_panel_count(), 1u);
    f->destroy(second);
    EXPECT_EQ(service.open_panel_count(), 0u);
}

}  // namespace
}  // namespace zelkor::host
