// pdn_file.cpp - the game's record written out; the PDN text itself comes from tools/draughts.
#include "pdn_file.h"

#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kvnlink {

bool append_pdn(const std::string &path, const draughts::PdnTags &tags, const draughts::Game &game) {
    std::ofstream file(path, std::ios::app | std::ios::binary);
    file << draughts::write_pdn(tags, game);
    file.close();
    return static_cast<bool>(file);
}

std::optional<std::string> read_whole_file(const std::string &path, std::string &why) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        why = "is a directory";
        return std::nullopt;
    }
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    if (file) text << file.rdbuf();
    if (!file) {
        why = "cannot be read";
        return std::nullopt;
    }
    return text.str();
}

std::string pdn_date_today() {
    const std::time_t now = std::time(nullptr);
    char text[16] = "????.??.??";
    if (const std::tm *t = std::localtime(&now)) std::strftime(text, sizeof text, "%Y.%m.%d", t);
    return text;
}

} // namespace kvnlink
