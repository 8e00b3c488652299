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

TEST(MessageService, RecordsEveryKindInOrder) {
    MessageService service;
    std::vector<std::string> forwarded;
    service.set_forward([&](const Message& m) { forwarded.push_back(std::string(message_kind_name(m.kind)) + ":" + m.line1); });
    service.set_yes_no_answer(0);
    ActiveScope<MessageService> scope(service);
    const LWMessageFuncs* f = MessageService::table();
    f->error("Need some polys to clone on them", nullptr);
    f->info("Zelkor", "second line");
    f->warning(nullptr, "");
    EXPECT_EQ(f->yesNo("Title", "Sure?", nullptr), 0);

    const std::vector<Message> expected = {
        {MessageKind::Error, "", "Need some polys to clone on them", std::nullopt},
        {MessageKind::Info, "", "Zelkor", "second line"},
        {MessageKind::Warning, "", "", ""},
        {MessageKind::YesNo, "Title", "Sure?", std::nullopt},
    };
    EXPECT_EQ(service.messages(), expected);
    EXPECT_EQ(forwarded, (std::vector<std::string>{"error:Need some polys to clone on them", "info:Zelkor", "warning:",
                                                    "yesNo:Sure?"}));
    service.set_yes_no_answer(1);
    EXPECT_EQ(f->yesNo("Title", "Again?", nullptr), 1);
}

TEST(MessageService, OutsideAnActivationNothingIsRecorded) {
    MessageService service;
    {
        ActiveScope<MessageService> scope(service);
    }
    MessageService::table()->info("lost", nullptr);
    EXPECT_EQ(MessageService::table()->yesNo("t", "l", nullptr), 0);
    EXPECT_TRUE(service.messages().empty());
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
    EXPECT_EQ(f->numVMaps(LWVMAP_TXUV), 1);
    EXPECT_EQ(f->numVMaps(LWVMAP_MORF), 1);
    EXPECT_EQ(f->numVMaps(LWVMAP_SPOT), 0);
    EXPECT_EQ(f->vmapName(LWVMAP_SPOT, 0), nullptr);

    // The texts are the host's and stay put while the document changes under them.
    const char* first = f->vmapName(LWVMAP_WGHT, 0);
    d.layers[0].vmaps.clear();
    EXPECT_EQ(f->vmapName(LWVMAP_WGHT, 0), first);
    EXPECT_STREQ(first, "B");
}

TEST(MonitorService, ReportsInitStepsAndDone) {
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
    ASSERT_NE(m, nullptr);
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
    ASSERT_EQ(service.records().size(), 1u);
    const MonitorRecord& r = service.records()[0];
    EXPECT_EQ(r.title, "Hello");
    EXPECT_TRUE(r.initialised);
    EXPECT_EQ(r.total, 3u);
    EXPECT_EQ(r.steps, 2u);
    EXPECT_EQ(r.position, 3u);
    EXPECT_TRUE(r.done);
    EXPECT_TRUE(r.destroyed);
}

TEST(MonitorService, StepAnswersTheConfiguredAbort) {
    MonitorService service;
    service.set_step_answer(1);
    ActiveScope<MonitorService> scope(service);
    LWMonitor* a = MonitorService::table()->create(nullptr, nullptr);
    LWMonitor* b = MonitorService::table()->create("second", "");
    EXPECT_EQ(a->step(a->data, 1), 1);  // no progress callback set: nothing else happens
    EXPECT_EQ(b->step(b->data, 1), 1);
    MonitorService::table()->destroy(a);
    MonitorService::table()->destroy(a);  // twice: ignored
    EXPECT_TRUE(service.records()[0].destroyed);
    EXPECT_FALSE(service.records()[1].destroyed);
    EXPECT_EQ(service.records()[0].title, "");
}

TEST(MonitorService, OutsideAnActivationCreatesNothing) {
    EXPECT_EQ(MonitorService::table()->create("t", "c"), nullptr);
}

}  // namespace
}  // namespace zelkor::host
