#include "lv2/lv2_urids.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/midi/midi.h>
#include <lv2/time/time.h>

#include "lv2/lv2_messages.h"
#include "lv2/lv2_names.h"

namespace velmo::lv2 {

Lv2Urids Lv2Urids::mapped(const LV2_URID_Map& map) {
    const auto id = [&map](const char* uri) { return map.map(map.handle, uri); };
    Lv2Urids u;
    u.midiEvent = id(LV2_MIDI__MidiEvent);
    u.atomString = id(LV2_ATOM__String);
    u.atomSequence = id(LV2_ATOM__Sequence);
    u.atomInt = id(LV2_ATOM__Int);
    u.atomLong = id(LV2_ATOM__Long);
    u.atomFloat = id(LV2_ATOM__Float);
    u.atomDouble = id(LV2_ATOM__Double);
    u.atomObject = id(LV2_ATOM__Object);
    u.atomBlank = id(LV2_ATOM__Blank);
    u.stateDocument = id(kStateDocumentUri);
    u.maxBlockLength = id(LV2_BUF_SIZE__maxBlockLength);
    u.nominalBlockLength = id(LV2_BUF_SIZE__nominalBlockLength);
    u.audition = id(kAuditionUri);
    u.poll = id(kPollUri);
    u.ccMap = id(kCcMapUri);
    u.levels = id(kLevelsUri);
    u.transport = id(kTransportUri);
    u.hostFacts = id(kHostFactsUri);
    u.bankRequest = id(kBankRequestUri);
    u.bankReply = id(kBankReplyUri);
    u.padOverrides = id(kPadOverridesUri);
    u.timePosition = id(LV2_TIME__Position);
    u.timeSpeed = id(LV2_TIME__speed);
    u.timeBeatsPerMinute = id(LV2_TIME__beatsPerMinute);
    u.timeBeatsPerBar = id(LV2_TIME__beatsPerBar);
    u.timeBeatUnit = id(LV2_TIME__beatUnit);
    u.timeBeat = id(LV2_TIME__beat);
    u.timeBar = id(LV2_TIME__bar);
    u.timeBarBeat = id(LV2_TIME__barBeat);
    u.timeFrame = id(LV2_TIME__frame);
    return u;
}

}  // namespace velmo::lv2
