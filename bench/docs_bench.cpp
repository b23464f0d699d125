// Document speed. Counter `bytes_per_second` is the text throughput.
//   docs/state_write        a full state document (params, CC map, pads, bank, authored bytes)
//   docs/state_parse        reading that document back
//   docs/bridge_set_param   one typical page message
//   docs/number_read        one number through the locale-free reader
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "docs/bridge_message.h"
#include "docs/number_text.h"
#include "docs/state_json.h"

namespace velmo {
namespace {

struct FullState {
    double params[VELMO_PARAM_COUNT] = {1, 0.15, 0.62, 0.12, 1.35, 1, 1.25, 0.5, 0.02, 0.78};
    CcMap map;
    SamplerPadOverrides pads;
    std::vector<std::uint8_t> authored = std::vector<std::uint8_t>(256, 0xA5);
    BankStateRefOut bank{"bank-1", "1.0", "0123456789abcdef", "hosted", "preset-3", "bells", "/b"};

    FullState() {
        map.count = 16;
        for (std::uint32_t i = 0; i < map.count; ++i) {
            map.bindings[i].paramId = i % VELMO_PARAM_COUNT;
            map.bindings[i].cc = static_cast<std::uint8_t>(i + 20);
            map.bindings[i].hasMin = true;
            map.bindings[i].minValue = 0.125;
        }
        for (int i = 0; i < 16; ++i) {
            SamplerPadOverride p;
            p.padId = "pad-" + std::to_string(i);
            p.fields = kPadGain | kPadPan | kPadFilterHz;
            p.gain = 0.75;
            p.pan = -0.25;
            p.filterHz = 8000;
            pads.push_back(p);
        }
    }
    std::string write() const {
        AuthoredStateOut a{authored.data(), authored.size(), 2};
        return writeStateJson(params, 4, &map, 0, 3, &bank, &pads, &a);
    }
};

void stateWrite(benchmark::State& state) {
    FullState s;
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string text = s.write();
        bytes += text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["bytes_per_second"] =
        benchmark::Counter(static_cast<double>(bytes), benchmark::Counter::kIsRate);
}
BENCHMARK(stateWrite)->Name("docs/state_write");

void stateParse(benchmark::State& state) {
    const std::string text = FullState().write();
    for (auto _ : state) {
        StateChunk chunk;
        bool ok = parseStateJson(text.data(), text.size(), chunk);
        benchmark::DoNotOptimize(ok);
    }
    state.counters["bytes_per_second"] = benchmark::Counter(
        static_cast<double>(text.size() * state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(stateParse)->Name("docs/state_parse");

void bridgeSetParam(benchmark::State& state) {
    const std::string text = "{\"type\":\"velmo.setParam\",\"path\":\"strike.position\",\"value\":0.375}";
    auto message = std::make_unique<BridgeMessage>();
    for (auto _ : state) {
        message->type.clear();
        bool ok = parseBridgeMessage(text.data(), text.size(), *message);
        benchmark::DoNotOptimize(ok);
    }
    state.counters["bytes_per_second"] = benchmark::Counter(
        static_cast<double>(text.size() * state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(bridgeSetParam)->Name("docs/bridge_set_param");

void numberRead(benchmark::State& state) {
    const std::string_view text = "-1.2345678901234567e-89";
    for (auto _ : state) {
        double v = 0;
        benchmark::DoNotOptimize(numberFromText(text, v));
        benchmark::DoNotOptimize(v);
    }
}
BENCHMARK(numberRead)->Name("docs/number_read");

}  // namespace
}  // namespace velmo
