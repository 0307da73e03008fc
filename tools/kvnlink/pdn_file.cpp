// pdn_file.cpp - the game's record written out; the PDN text itself comes from tools/draughts.
#include "pdn_file.h"

#include <fstream>

namespace kvnlink {

bool append_pdn(const std::string &path, const draughts::PdnTags &tags, const draughts::Game &game) {
    std::ofstream file(path, std::ios::app | std::ios::binary);
    file << draughts::write_pdn(tags, game);
    file.close();
    return static_cast<bool>(file);
}

} // namespace kvnlink
