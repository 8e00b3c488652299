// The message, object and monitor services through the tables a module receives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/active.h"
#include "host/messages.h"
#include "host/monitor.h"
#include "host/objects.h"
#include "tests/host/test_mesh.h"

namespace zelkor::host {
namespace {

TEST(MessageService, RecordsEveryKindInOrderOnlyInsideAnActivation) {
    MessageService service;
    const LWMessageFuncs* f = MessageService::table();
    f->info("lost", nullptr);
    std::vector<std::string> forwarded;
    service.set_forward([&](const Message& m) { forwarded.push_back(std::string(message_kind_name(m.kind)) + ":" + m.line1); });
    service.set_yes_no_answer(1);
    EXPECT_EQ(f->yesNo("t", "l", nullptr), 0);
    ActiveScope<MessageService> scope(service);
    f->error("Need some polys to clone on them", nullptr);
    f->info("Zelkor", "second line");
    f->warning(nullptr, "");
    EXPECT_EQ(f->yesNo("Title", "Sure?", nullptr), 1);
    const std::vector<Message> expected = {
        {MessageKind::Error, "", "Need some polys to clone on them", std::nullopt, ""},
        {MessageKind::Info, "", "Zelkor", "second line", ""},
        {MessageKind::Warning, "", "", "", ""},
        {MessageKind::YesNo, "Title", "Sure?", std::nullopt, ""},
    };
    EXPECT_EQ(service.messages(), expected);
    EXPECT_EQ(forwarded, (std::vector<std::string>{"error:Need some polys to clone on them", "info:Zelkor", "warning:",
                                                    "yesNo:Sure?"}));
}

TEST(ActiveScope, NestedScopesRestoreTheOuterObject) {
    MessageService outer, inner;
    ActiveScope<MessageService> a(outer);
    {
        ActiveScope<MessageService> b(inner);
        EXPECT_EQ(ActiveScope<MessageService>::current(), &inner);
    }
    EXPECT_EQ(ActiveScope<MessageService>::current(), &outer);
}

TEST(ObjectService, ListsMapNamesOfEveryLayerByFirstAppearance) {
    Document d;
    Layer& a = testing::add_layer(d, 0);
    a.vmap(LWVMAP_WGHT, "B", 1);
    a.vmap(LWVMAP_TXUV, "uv", 2);
    Layer& b = testing::add_layer(d, 1);
    b.vmap(LWVMAP_WGHT, "A", 1);
    b.vmap(LWVMAP_WGHT, "B", 1);
    b.vmap(LWVMAP_MORF, "B", 3);
    testing::add_layer(d, 2).vmap(LWVMAP_WGHT, "C", 1);
    ObjectService service;
    service.refresh(d);
    ActiveScope<ObjectService> scope(service);
    const LWObjectFuncs* f = ObjectService::table();
    ASSERT_EQ(f->numVMaps(LWVMAP_WGHT), 3);
    EXPECT_STREQ(f->vmapName(LWVMAP_WGHT, 0), "B");
    EXPECT_STREQ(f->vmapName(LWVMAP_WGHT, 1), "A");
    EXPECT_STREQ(f->vmapName(LWVMAP_WGHT, 2), "C");
    EXPECT_EQ(f->vmapName(LWVMAP_WGHT, 3), nullptr);
    EXPECT_EQ(f->vmapName(LWVMAP_WGHT, -1), nullptr);
    EXPECT_EQ(f->numVMaps(LWVMAP_MORF), 1);
    EXPECT_EQ(f->numVMaps(LWVMAP_SPOT), 0);
    // The texts are the host's and stay put while the document changes under them.
    const char* first = f->vmapName(LWVMAP_WGHT, 0);
    d.layers[0].vmaps.clear();
    EXPECT_EQ(f->vmapName(LWVMAP_WGHT, 0), first);
}

TEST(MonitorService, ReportsInitStepsAndDone) {
    EXPECT_EQ(MonitorService::table()->create("t", "c"), nullptr);  // outside an activation
    MonitorService service;
    std::vector<std::string> events;
    service.set_progress([&](const ProgressEvent& e) {
        const char* kind = e.kind == ProgressEvent::Kind::Init ? "init" : e.kind == ProgressEvent::Kind::Step ? "step" : "done";
        events.push_back(std::string(kind) + " " + *e.title + "/" + *e.caption + " " + std::to_string(e.position) + "/" +
                         std::to_string(e.total) + " +" + std::to_string(e.increment));
    });
    ActiveScope<MonitorService> scope(service);
    const DynaMonitorFuncs* f = MonitorService::table();
    LWMonitor* m = f->create("Hello", "Randomising positions...");
    m->init(m->data, 3);
    EXPECT_EQ(m->step(m->data, 1), 0);
    EXPECT_EQ(m->step(m->data, 2), 0);
    m->done(m->data);
    f->destroy(m);
    EXPECT_EQ(events, (std::vector<std::string>{
                          "init Hello/Randomising positions... 0/3 +0",
                          "step Hello/Randomising positions... 1/3 +1",
                          "step Hello/Randomising positions... 3/3 +2",
                          "done Hello/Randomising positions... 3/3 +0",
                      }));
    service.set_step_answer(1);  // the user asked to abort
    LWMonitor* untitled = f->create(nullptr, nullptr);
    EXPECT_EQ(untitled->step(untitled->data, 1), 1);
    ASSERT_EQ(service.records().size(), 2u);
    const MonitorRecord& r = service.records()[0];
    EXPECT_EQ(r.title, "Hello");
    EXPECT_TRUE(r.initialised);
    EXPECT_EQ(r.total, 3u);
    EXPECT_EQ(r.steps, 2u);
    EXPECT_EQ(r.position, 3u);
    EXPECT_TRUE(r.done);
    EXPECT_TRUE(r.destroyed);
    EXPECT_EQ(service.records()[1].title, "");
    EXPECT_FALSE(service.records()[1].destroyed);
}

}  // namespace
}  // namespace zelkor::host
