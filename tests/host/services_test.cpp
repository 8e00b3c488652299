// The services a module receives through their tables: messages, the object's map names and form
// panels, with the front's view of a posted panel.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/active.h"
#include "host/messages.h"
#include "host/objects.h"
#include "host/panel.h"
#include "tests/host/test_mesh.h"

namespace zelkor::host {
namespace {

TEST(MessageService, RecordsEveryKindInOrderOnlyInsideItsActivation) {
    MessageService service, inner;
    const LWMessageFuncs* f = MessageService::table();
    std::vector<Message> forwarded;
    service.set_forward([&](const Message& m) { forwarded.push_back(m); });
    f->info("lost", nullptr);
    EXPECT_EQ(f->yesNo("t", "l", nullptr), 0);
    ActiveScope<MessageService> scope(service);
    f->error("Need some polys to clone on them", nullptr);
    {
        ActiveScope<MessageService> nested(inner);  // an activation inside this one
        f->info("inner", nullptr);
    }
    f->info("Zelkor", "second line");
    f->warning(nullptr, "");
    EXPECT_EQ(f->yesNo("Title", "Sure?", nullptr), 1);
    EXPECT_EQ(service.messages(), (std::vector<Message>{
                                      {MessageKind::Error, "", "Need some polys to clone on them", std::nullopt, ""},
                                      {MessageKind::Info, "", "Zelkor", "second line", ""},
                                      {MessageKind::Warning, "", "", "", ""},
                                      {MessageKind::YesNo, "Title", "Sure?", std::nullopt, ""},
                                  }));
    EXPECT_EQ(forwarded, service.messages());
    EXPECT_EQ(inner.messages().size(), 1u);
}

TEST(ObjectService, ListsMapNamesOfEveryLayerByFirstAppearance) {
    const struct { int layer; LWID type; const char* name; } maps[] = {
        {0, LWVMAP_WGHT, "B"}, {1, LWVMAP_WGHT, "A"}, {1, LWVMAP_WGHT, "B"}, {1, LWVMAP_MORF, "B"}, {2, LWVMAP_WGHT, "C"}};
    Document d;
    for (int n = 0; n < 3; ++n) testing::add_layer(d, n);
    for (const auto& m : maps) d.layers[std::size_t(m.layer)].vmap(m.type, m.name, 1);
    ObjectService service;
    service.refresh(d);
    ActiveScope<ObjectService> scope(service);
    const LWObjectFuncs* f = ObjectService::table();
    std::vector<std::string> weights;
    for (int k = -1; k <= f->numVMaps(LWVMAP_WGHT); ++k)
        weights.push_back(f->vmapName(LWVMAP_WGHT, k) ? f->vmapName(LWVMAP_WGHT, k) : "null");
    EXPECT_EQ(weights, (std::vector<std::string>{"null", "B", "A", "C", "null"}));
    EXPECT_EQ(f->numVMaps(LWVMAP_MORF), 1);  // counted by type
    const char* first = f->vmapName(LWVMAP_WGHT, 0);
    d.layers[0].vmaps.clear();  // the texts are the host's: they stay put while the document changes
    EXPECT_EQ(f->vmapName(LWVMAP_WGHT, 0), first);
}

enum : unsigned long { kCount = 0x10, kSize, kLinked, kSizeY, kMap, kInfluence, kZero, kAbout };

const LWXPanelControl kControls[] = {
    {kCount, "Number of Clones", "integer"}, {kSize, "Size Variations", "percent"},
    {kLinked, "Independent Sizes", "iBoolean"}, {kSizeY, "Y", "percent"},
    {kMap, "Size WeightMap", "iPopChoice"}, {kInfluence, "Influence", "percent"},
    {kZero, "Zero", "vButton"}, {kAbout, "About", "vButton"}, {0, nullptr, nullptr},
};

// What a module's button handler does: write through the service table.
void zero_size(LWXPanelID panel, int cid) {
    const double zero = cid == int(kZero) ? 0.0 : -1.0;
    PanelService::table()->formSet(panel, kSize, &zero);
}

LWXPanelID build() {
    const LWXPanelFuncs* f = PanelService::table();
    LWXPanelID panel = f->create(LWXP_FORM, kControls);  // not described: each control holds what its class holds
    static const unsigned long y_only[] = {kSizeY, 0}, influence[] = {kInfluence, 0};
    static const char* entries[] = {"none", "Height", "Moss", nullptr};
    const LWXPanelHint hints[] = {
        {XpSTRLIST, kMap, nullptr, nullptr, entries, nullptr},
        {XpBUTNOTIFY, kZero, nullptr, nullptr, nullptr, zero_size},
        {XpENABLEMSG_, kLinked, "Size axes are linked", y_only, nullptr, nullptr},
        {XpENABLEMSG_, kMap, "Choose any weightmap first", influence, nullptr, nullptr},
        {XpEND, 0, nullptr, nullptr, nullptr, nullptr},
    };
    f->hint(panel, 0, hints);
    return panel;
}

std::optional<std::string> refusal(const char* message) { return message ? std::optional<std::string>(message) : std::nullopt; }

struct PanelTest : ::testing::Test {
    PanelService service;
    ActiveScope<PanelService> scope{service};
    LWXPanelID id = build();
    Panel& panel = *Panel::from_id(id);
};

TEST_F(PanelTest, EnableRulesRefuseADisabledControlWithTheirMessage) {
    EXPECT_EQ(panel.set(kSizeY, 0.5), refusal("Size axes are linked"));
    EXPECT_EQ(panel.find(kSizeY)->float_value, 0.0);
    EXPECT_EQ(panel.set(kInfluence, 0.5), refusal("Choose any weightmap first"));
    EXPECT_EQ(panel.set_unchecked(kSizeY, 0.25), std::nullopt);  // loading ignores the rules
    EXPECT_EQ(panel.find(kSizeY)->float_value, 0.25);
    EXPECT_EQ(panel.set(kLinked, 1), std::nullopt);
    EXPECT_EQ(panel.set(kSizeY, 0.5), std::nullopt);
    EXPECT_EQ(panel.set(kMap, 2), std::nullopt);  // a popup entry other than "none" enables too
    EXPECT_EQ(panel.set(kInfluence, 0.75), std::nullopt);
    EXPECT_TRUE(panel.enabled(kSize));  // no rule lists it
}

TEST_F(PanelTest, SetRefusesValuesTheControlCannotHold) {
    const struct { unsigned long id; PanelValue value; const char* refusal; PanelValue stored; } cases[] = {
        {kCount, 2.5, "\"Number of Clones\" takes a whole number", 0},
        {kCount, 3.0, nullptr, 3},
        {kCount, PanelValue{}, "\"Number of Clones\" needs a value", 3},
        {kSize, 2, nullptr, 2.0},  // an int into a float control
        {kMap, 3, nullptr, 3},     // past the entries: kept as it is
        {kMap, -1, "\"Size WeightMap\" takes an entry number from 0", 3},
        {kZero, 1, "\"Zero\" holds no value", PanelValue{}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(panel.set(c.id, c.value), refusal(c.refusal)) << "control " << c.id;
        EXPECT_EQ(panel.find(c.id)->value(), c.stored) << "control " << c.id;
    }
    EXPECT_EQ(panel.set(0x99, 1), refusal("no control 0x99"));
}

TEST_F(PanelTest, FormSetFormGetAndAPostWhoseFrontPressesButtons) {
    const LWXPanelFuncs* f = PanelService::table();
    EXPECT_EQ(f->create(LWXP_FORM + 1, kControls), nullptr);  // form panels only
    const int count = 25;
    const double size = 0.3;
    f->formSet(id, kCount, &count);
    f->formSet(id, kSize, &size);
    f->formSet(id, 0x99, &count);  // unknown: ignored
    EXPECT_EQ(*static_cast<int*>(f->formGet(id, kCount)), 25);
    EXPECT_EQ(f->formGet(id, kZero), nullptr);  // a button holds no value
    EXPECT_EQ(f->post(id), 1);  // without a front: OK, nothing changes
    EXPECT_EQ(*static_cast<double*>(f->formGet(id, kSize)), 0.3);
    service.set_front([&](Panel& shown) {
        EXPECT_EQ(shown.press(kZero), std::nullopt);
        EXPECT_EQ(shown.press(kAbout), refusal("\"About\" does nothing"));
        EXPECT_EQ(shown.press(kCount), refusal("\"Number of Clones\" is not a button"));
        return 0;
    });
    EXPECT_EQ(f->post(id), 0);
    EXPECT_EQ(*static_cast<double*>(f->formGet(id, kSize)), 0.0);  // the handler ran inside post
    EXPECT_EQ(service.post_count(), 2);
}

}  // namespace
}  // namespace zelkor::host
