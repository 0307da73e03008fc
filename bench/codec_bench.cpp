// codec_bench.cpp - encode and decode of every message kind against a 128-byte memcpy floor.
#include <benchmark/benchmark.h>

#include <cstring>

#include "codec/codec.h"

namespace {

// The longest ordinary form of each kind, so the figures are upper bounds.
kvn_message sample(int type, bool initial_position = false) {
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
        m.u.game_request.side_to_move = initial_position ? kvn::initial_side_to_move : 'Z';
        for (int i = 0; i < 50; ++i) m.u.game_request.squares[i] = kvn::initial_squares[i];
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

void encode(benchmark::State &state, int type, bool initial_position) {
    const kvn_message m = sample(type, initial_position);
    kvn::MsgText text;
    for (auto _ : state) {
        benchmark::DoNotOptimize(&m);
        kvn::encode_message(m, text);
        benchmark::DoNotOptimize(text);
    }
}

void decode(benchmark::State &state, int type, bool initial_position) {
    kvn::MsgText text;
    kvn::encode_message(sample(type, initial_position), text);
    kvn_message m;
    std::memset(&m, 0, sizeof m);
    for (auto _ : state) {
        benchmark::DoNotOptimize(text);
        kvn::decode_message(text.chars, m);
        benchmark::DoNotOptimize(m);
    }
}

} // namespace

BENCHMARK(memcpy_floor)->Name("memcpy_floor/128");

#define KVN_CODEC_BENCH(kind, type, initial)                                                                           \
  BENCHMARK_CAPTURE(encode, kind, type, initial)->Name("encode/" #kind);                                               \
  BENCHMARK_CAPTURE(decode, kind, type, initial)->Name("decode/" #kind)

KVN_CODEC_BENCH(game_request, KVN_GAME_REQUEST, false);
KVN_CODEC_BENCH(game_request_initial, KVN_GAME_REQUEST, true);
KVN_CODEC_BENCH(game_accept, KVN_GAME_ACCEPT, false);
KVN_CODEC_BENCH(move, KVN_MOVE, false);
KVN_CODEC_BENCH(game_end, KVN_GAME_END, false);
KVN_CODEC_BENCH(chat, KVN_CHAT, false);
KVN_CODEC_BENCH(back_request, KVN_BACK_REQUEST, false);
KVN_CODEC_BENCH(back_accept, KVN_BACK_ACCEPT, false);

BENCHMARK_MAIN();
