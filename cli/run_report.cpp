#include "cli/run_report.h"

#include "cli/json_text.h"

namespace zelkor::cli {

namespace {

void optional_number(JsonWriter& w, const std::optional<double>& value) {
    if (value) w.value(*value);
    else w.null();
}

void write_messages(JsonWriter& w, const std::vector<ReportMessage>& messages) {
    w.begin_array();
    for (const ReportMessage& m : messages) {
        w.begin_object();
        w.key("kind");
        w.value(m.kind);
        w.key("line1");
        w.value(m.line1);
        w.key("line2");
        if (m.line2) w.value(*m.line2);
        else w.null();
        w.end_object();
    }
    w.end_array();
}

void write_clones(JsonWriter& w, const std::vector<ReportClone>& clones) {
    w.begin_array();
    for (const ReportClone& c : clones) {
        w.begin_object();
        w.key("polygon");
        w.value(c.polygon);
        w.key("pos");
        std::string pos = "[";
        for (int axis = 0; axis < 3; ++axis) pos.append(axis ? ", " : "").append(json_number(c.pos[axis]));
        pos += ']';
        w.raw(pos);
        w.key("H_angle");
        w.value(c.H_angle);
        w.key("P_angle");
        optional_number(w, c.P_angle);
        w.key("area");
        optional_number(w, c.area);
        w.end_object();
    }
    w.end_array();
}

}  // namespace

std::string report_json(const RunReport& report) {
    JsonWriter w;
    w.begin_object();
    w.key("messages");
    write_messages(w, report.messages);
    w.key("params");
    w.begin_object();
    write_record_members(w, report.params);
    w.end_object();
    w.key("target_polygons");
    if (report.target_polygons) w.value(*report.target_polygons);
    else w.null();
    w.key("poly_avg_area");
    optional_number(w, report.poly_avg_area);
    w.key("clones");
    write_clones(w, report.clones);
    w.key("quality");
    if (report.quality) {
        w.begin_object();
        write_quality_members(w, *report.quality);
        w.end_object();
    } else {
        w.null();
    }
    w.key("added");
    w.begin_object();
    w.key("points");
    w.value(static_cast<long long>(report.points_added));
    w.key("polygons");
    w.value(static_cast<long long>(report.polygons_added));
    w.end_object();
    w.key("output");
    if (report.output) w.value(*report.output);
    else w.null();
    w.end_object();
    return w.text();
}

}  // namespace zelkor::cli
