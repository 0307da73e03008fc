// cli_checks.h - the checks kvnlink's options and words must pass, as CLI11 validators.
#pragma once

#include <CLI/CLI.hpp>

namespace kvnlink::checks {

CLI::Validator port_number();  // 1..65535
CLI::Validator seconds();      // 0..1e6, fractions allowed
CLI::Validator seed();         // 0..2^64-1
CLI::Validator serial_port();  // 1..9 for COM1..COM9
CLI::Validator request();      // "NAME COLOUR TIME MOVES [SIDE SQUARES]"
CLI::Validator link_address(); // one end of a bridge
CLI::Validator perft_depth();  // 0..max_perft_depth
CLI::Validator end_codes();    // "0=resign,1=draw": REASON=MEANING items

// Depth 11 already takes minutes; beyond 20 a run would never end.
inline constexpr int max_perft_depth = 20;

} // namespace kvnlink::checks
