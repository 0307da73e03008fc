// match_record.cpp - the rules' PDN writer, with the tags a match adds and the result it decided.
#include "match_record.h"

#include <ctime>

#include "draughts/pdn.h"

namespace kvnlink {

namespace {

std::string today() {
    const std::time_t now = std::time(nullptr);
    char text[16] = "????.??.??";
    if (const std::tm *t = std::localtime(&now)) std::strftime(text, sizeof text, "%Y.%m.%d", t);
    return text;
}

std::string tag(const std::string &name, const std::string &value) {
    std::string escaped;
    for (char c : value) {
        if (c == '"' || c == '\\') escaped += '\\';
        escaped += c;
    }
    return "[" + name + " \"" + escaped + "\"]\n";
}

} // namespace

std::string game_record(const GameReport &report, const std::string &white, const std::string &black, int round) {
    const draughts::PdnTags tags{"kvnlink match", today(), white, black};
    std::string text = draughts::write_pdn(tags, report.game);
    const std::string written = draughts::result_text(report.game.result());
    const std::string decided = draughts::result_text(report.result);
    // The result tag and the result closing the moves.
    const std::string result_tag = tag("Result", written);
    const size_t at = text.find(result_tag);
    if (at != std::string::npos)
        text.replace(at, result_tag.size(),
                     tag("Round", std::to_string(round)) + tag("Result", decided) + tag("Termination", report.ending));
    const size_t end = text.rfind(written + "\n");
    if (end != std::string::npos) text.replace(end, written.size(), decided);
    return text;
}

} // namespace kvnlink
