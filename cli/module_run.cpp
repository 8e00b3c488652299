#include "cli/module_run.h"

#include "cli/run_quality.h"
#include "cli/usage_error.h"
#include "api/run_observer.h"
#include "host/modeler.h"
#include "host/module_loader.h"

namespace zelkor::cli {

namespace {

struct SummaryTarget {
    ModuleRunOutcome* outcome;
    bool keep_clones;  // only a report lists them: a million clones are not kept for nothing
    bool keep_instances;
    bool keep_quality;
    const PanelAnswer* answer;  // the values the run was made with, for the quality's settings
    ScatterSample scatter{};    // filled block by block with keep_quality
};

// The last block is in: the scatter is handed over and measured beside the rest of the run.
void start_quality(SummaryTarget& target) {
    ModuleRunOutcome& outcome = *target.outcome;
    auto sample = std::make_shared<const ScatterSample>(std::move(target.scatter));
    const ScatterQualitySettings settings =
        quality_settings(target.answer->confirmed() ? *target.answer->confirmed() : outcome.report.params);
    outcome.scatter = sample;
    outcome.quality = std::async(std::launch::async, [sample, settings] { return measure_scatter(*sample, settings); }).share();
}

void take_summary(const zelkor_run_summary* summary, void* context) {
    auto* target = static_cast<SummaryTarget*>(context);
    target->outcome->clones_built = true;
    RunReport& report = target->outcome->report;
    report.target_polygons = summary->target_polygons;
    report.poly_avg_area = summary->poly_avg_area;
    report.clone_count = std::size_t(summary->clone_count);
    if (target->keep_instances)
        for (int k = 0; k < summary->block_count; ++k) target->outcome->instances.push_back(instance_of(summary->clones[k]));
    if (target->keep_quality) {
        collect_scatter(*summary, target->scatter);
        if (summary->first_clone + summary->block_count >= summary->clone_count) start_quality(*target);
    }
    if (!target->keep_clones) return;
    for (int k = 0; k < summary->block_count; ++k) {
        const zelkor_clone_record& r = summary->clones[k];
        ReportClone clone;
        clone.polygon = r.polygon;
        clone.pos = {r.pos[0], r.pos[1], r.pos[2]};
        clone.H_angle = r.H_angle;
        if (r.has_P_angle) clone.P_angle = r.P_angle;
        if (r.has_area) clone.area = r.area;
        report.clones.push_back(clone);
    }
}

// The observer is module-wide state: it is switched off again however the run ends.
struct ObserverScope {
    using Set = void (*)(zelkor_run_observer, void*, int);
    ObserverScope(Set set, SummaryTarget* target, int details) : set_(set) { set_(take_summary, target, details); }
    ~ObserverScope() { set_(nullptr, nullptr, 0); }
    Set set_;
};

}  // namespace

ModuleRunOutcome run_module(LoadedModule& loaded, RunSetup& setup, const ModuleRunHooks& hooks) {
    ModuleRunOutcome outcome;
    // A newly loaded module holds the defaults; the report shows them unless the panel is confirmed.
    outcome.report.params = default_record(loaded.controls);

    PanelAnswer answer(loaded.controls, setup.saved, setup.saved_from, setup.actions, hooks.cancel, [&](const std::string& refusal) {
        outcome.report.messages.push_back({"panel", refusal, std::nullopt});
        if (hooks.on_refused) hooks.on_refused(refusal);
    });
    if (hooks.person) answer.hand_to(hooks.person);

    host::Modeler modeler(setup.object.document);
    modeler.set_layers(setup.foreground, setup.background);
    modeler.messages().set_forward([&](const host::Message& m) {
        outcome.report.messages.push_back({host::message_kind_name(m.kind), m.line1, m.line2});
        if (hooks.on_message) hooks.on_message(m);
    });
    std::unique_ptr<host::PageWarmer> warmer;  // declared before the run, so it stops after it
    modeler.panels().set_front([&, front = answer.front()](host::Panel& panel) {
        const int ok = front(panel);
        const double clones = answer.confirmed() ? confirmed_value(*answer.confirmed(), "num_clones") : 0;
        if (ok && clones > 0 && hooks.growth_per_clone && !setup.foreground.empty()) {
            const auto n = std::uint64_t(clones);
            const host::LayerGrowth& one = *hooks.growth_per_clone;
            warmer = host::warm_layer_growth(setup.object.document.layers[std::size_t(setup.foreground.front())],
                                             {n * one.points, n * one.polygons, n * one.corners});
        }
        return ok;
    });
    // The room is mapped from the module's first progress monitor on, when its long work begins:
    // before that it may still be reading the target.
    modeler.monitors().set_progress([&](const host::ProgressEvent& e) {
        if (warmer && e.kind == host::ProgressEvent::Kind::Init) warmer->start();
        if (hooks.on_progress) hooks.on_progress(e);
    });

    if (hooks.session_seed) loaded.seed_session(*hooks.session_seed);
    host::ActivationResult result;
    {
        SummaryTarget target{&outcome, hooks.keep_clones, hooks.keep_instances, hooks.keep_quality, &answer};
        const bool keeps_clones = hooks.keep_clones || hooks.keep_instances || hooks.keep_quality;
        ObserverScope observe(loaded.set_observer, &target,
                              (hooks.keep_instances ? ZELKOR_DETAIL_DRAWS : 0) |
                                  (hooks.keep_quality ? ZELKOR_DETAIL_POLYGONS | ZELKOR_DETAIL_PLACED : 0) |
                                  (keeps_clones ? 0 : ZELKOR_DETAIL_TOTALS_ONLY));
        result = modeler.run(loaded.module, "Zelkor");
    }

    outcome.panel_posted = answer.posted();
    outcome.usage_error = answer.usage_error();
    outcome.confirmed = answer.confirmed().has_value();
    if (answer.confirmed()) outcome.report.params = *answer.confirmed();
    outcome.kept = result.session.kept;
    if (outcome.kept) {  // edits taken back added nothing
        outcome.report.points_added = result.session.points_added;
        outcome.report.polygons_added = result.session.polygons_added;
    }
    return outcome;
}

}  // namespace zelkor::cli
