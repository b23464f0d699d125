#include "tools/render/demo_score.h"

#include <algorithm>

namespace velmo::render {
namespace {

constexpr std::uint32_t kFamilyParam = 0;
constexpr std::uint32_t kRingParam = 4;
constexpr std::uint32_t kLevelParam = 9;
constexpr double kSectionSeconds = 3.2;

struct Phrase {
    const char* family;
    int root;            // the section's fundamental
    int steps[4];        // semitones above the root, one note each half second
    double ring;         // a shorter ring for the long families keeps sections apart
};

// One phrase per family, in family index order.
constexpr Phrase kPhrases[] = {
    {"Carillon", 67, {0, 4, 7, 12}, 0.35},
    {"Tubular Zuriz", 62, {0, 5, 7, 10}, 0.5},
    {"Handbells", 72, {0, 2, 4, 7}, 0.8},
    {"Glass", 76, {0, 7, 12, 7}, 1.0},
    {"Singing Bowl", 57, {0, 0, 7, 0}, 0.35},
};

}  // namespace

Score demoScore() {
    Score score;
    double t = 0.0;
    std::uint32_t family = 0;
    score.events.push_back({0.0, ScoreEvent::Kind::Parameter, kLevelParam, 0.7});
    for (const Phrase& p : kPhrases) {
        score.events.push_back({t, ScoreEvent::Kind::Parameter, kFamilyParam, double(family)});
        score.events.push_back({t, ScoreEvent::Kind::Parameter, kRingParam, p.ring});
        for (int i = 0; i < 4; ++i) {
            const auto note = static_cast<std::uint32_t>(p.root + p.steps[i]);
            const double on = t + 0.5 * i;
            score.events.push_back({on, ScoreEvent::Kind::NoteOn, note, i == 0 ? 0.9 : 0.7});
            score.events.push_back({on + 0.4, ScoreEvent::Kind::NoteOff, note, 0.0});
        }
        // The closing chord: the root again, loudest, with a fifth above.
        const double chord = t + 2.1;
        for (int interval : {0, 7}) {
            const auto note = static_cast<std::uint32_t>(p.root + interval);
            score.events.push_back({chord, ScoreEvent::Kind::NoteOn, note, interval ? 0.5 : 1.0});
            score.events.push_back({chord + 0.9, ScoreEvent::Kind::NoteOff, note, 0.0});
        }
        score.sections.push_back({p.family, t, t + kSectionSeconds, p.root});
        t += kSectionSeconds;
        ++family;
    }
    std::stable_sort(score.events.begin(), score.events.end(),
                     [](const ScoreEvent& a, const ScoreEvent& b) { return a.seconds < b.seconds; });
    score.lengthSeconds = t;
    return score;
}

}  // namespace velmo::render
