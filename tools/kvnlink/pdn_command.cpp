// pdn_command.cpp - `kvnlink pdn FILE`: every game of a PDN file replayed under the rules and checked.
#include <cstdio>

#include "draughts/pdn_file.h"
#include "draughts/pdn_replay.h"
#include "pdn_file.h"
#include "pdn_report.h"
#include "subcommands.h"

namespace kvnlink {

namespace {

int refuse(const PdnOptions &o, const std::string &why) {
    std::fprintf(stderr, "kvnlink pdn: %s: %s\n", o.file.c_str(), why.c_str());
    return exit_usage;
}

} // namespace

int run_pdn(const PdnOptions &o) {
    std::string why;
    const auto text = read_whole_file(o.file, why);
    if (!text) return refuse(o, why);
    const std::vector<draughts::PdnRecord> records = draughts::read_pdn_file(*text, why);
    if (!why.empty()) return refuse(o, why);
    if (records.empty()) return refuse(o, "holds no game");
    size_t failing = 0;
    for (size_t i = 0; i < records.size(); ++i) {
        const draughts::PdnReplay replay = draughts::replay_pdn(records[i]);
        if (!replay.legal || !replay.agrees) ++failing;
        const int number = static_cast<int>(i) + 1;
        if (o.json) std::puts(json_line(replay_json(number, replay)).c_str());
        else
            for (const std::string &line : replay_lines(number, records[i], replay)) std::puts(line.c_str());
    }
    if (!o.json)
        std::printf("games %zu: %zu legal and agreeing, %zu not\n", records.size(), records.size() - failing, failing);
    return failing == 0 ? exit_ok : exit_failed;
}

} // namespace kvnlink
