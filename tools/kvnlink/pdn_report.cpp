// pdn_report.cpp - one replayed game as `kvnlink pdn` prints it.
#include "pdn_report.h"

namespace kvnlink {

namespace {

std::string quoted_tag(const std::string &value) { return "\"" + value + "\""; }

} // namespace

std::vector<std::string> replay_lines(int number, const draughts::PdnRecord &record, const draughts::PdnReplay &r) {
    const std::string white = record.tag("White"), black = record.tag("Black");
    std::vector<std::string> lines;
    lines.push_back("game " + std::to_string(number) + ", line " + std::to_string(record.line) + ": W " +
                    (white.empty() ? "?" : white) + ", Z " + (black.empty() ? "?" : black));
    lines.push_back("  plies " + std::to_string(r.plies) + ", " +
                    (r.legal ? std::string("every move legal") : "first illegal: " + r.problem));
    std::string rules = "  by the rules " + std::string(draughts::result_text(r.result));
    if (r.ending != draughts::Ending::none) rules += ", " + std::string(draughts::ending_name(r.ending));
    if (r.moves_after_end > 0) rules += "; " + std::to_string(r.moves_after_end) + " moves written after the end";
    lines.push_back(rules);
    lines.push_back("  Result tag " + (r.result_tag.empty() ? std::string("missing") : quoted_tag(r.result_tag)) +
                    (r.agrees ? ": agrees" : ": disagrees"));
    lines.push_back("  final position " + r.final_fen);
    return lines;
}

Json replay_json(int number, const draughts::PdnReplay &r) {
    return Json{{"game", number},
                {"plies", r.plies},
                {"legal", r.legal},
                {"first_illegal", r.legal ? Json(nullptr) : Json(r.problem)},
                {"result_tag", r.result_tag},
                {"result_by_rules", draughts::result_text(r.result)},
                {"ending", draughts::ending_name(r.ending)},
                {"agrees", r.agrees},
                {"final_fen", r.final_fen}};
}

} // namespace kvnlink
