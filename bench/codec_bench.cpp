// codec_bench.cpp - encode and decode of every message kind against a 128-byte memcpy floor.
#include <benchmark/benchmark.h>

#include <cstring>

#include "codec/codec.h"

namespace {

kvn_message sample(int type) {
    kvn_message m;
    std::memset(&m, 0, sizeof m);
    m.type = type;
    switch (type) {
    case KVN_GAME_REQUEST:
        m.u.game_request.version = 1;
        std::strcpy(m.u.game_request.name, "Benchmark engine");
        m.u.game_request.colour = 'Z';
        m.u.game_request.thinking_time = 5;
        m.u.game_request.move_count = 75;
        m.u.game_request.side_to_move = 'Z';
        for (int i = 0; i < 50; ++i) m.u.game_request.squares[i] = kvn::initial_square(i);
        break;
    case KVN_GAME_ACCEPT: std::strcpy(m.u.game_accept.name, "Benchmark engine"); break;
    case KVN_MOVE: m.u.move = {15, 32, 23, 2, {28, 19}}; break;
    case KVN_GAME_END: m.u.game_end = {1, 0}; break;
    case KVN_CHAT: std::memset(m.u.chat.text, 'x', 126); break;
    case KVN_BACK_REQUEST: m.u.back_request = {12, 'W'}; break;
    default: m.u.back_accept = {0}; break;
    }
    return m;
}

void memcpy_floor(benchmark::State &state) {
    char source[128], target[128];
    std::memset(source, 'x', sizeof source);
    for (auto _ : state) {
        benchmark::DoNotOptimize(source);
        std::memcpy(target, source, sizeof target);
        benchmark::DoNotOptimize(target);
        benchmark::ClobberMemory();
    }
}

void encode(benchmark::State &state) {
    const kvn_message m = sample(static_cast<int>(state.range(0)));
    kvn::MsgText text;
    for (auto _ : state) {
        benchmark::DoNotOptimize(&m);
        kvn::encode_message(m, text);
        benchmark::DoNotOptimize(text);
    }
}

void decode(benchmark::State &state) {
    kvn::MsgText text;
    kvn::encode_message(sample(static_cast<int>(state.range(0))), text);
    kvn_message m;
    std::memset(&m, 0, sizeof m);
    for (auto _ : state) {
        benchmark::DoNotOptimize(text);
        kvn::decode_message(text.chars, m);
        benchmark::DoNotOptimize(m);
    }
}

} // namespace

BENCHMARK(memcpy_floor);
BENCHMARK(encode)->DenseRange(1, 7);
BENCHMARK(decode)->DenseRange(1, 7);
BENCHMARK_MAIN();
