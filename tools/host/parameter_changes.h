#pragma once
// Host-side parameter changes for one block: the IParameterChanges / IParamValueQueue pair a
// host hands to IAudioProcessor::process. Capacity is fixed at construction, so filling and
// reading them allocates nothing. The objects are owned by the host (not reference counted):
// addRef/release are no-ops, as a plug-in never keeps them beyond a process call.
#include <cstdint>
#include <memory>
#include <vector>

#include "pluginterfaces/vst/ivstparameterchanges.h"

namespace velmo::host {

class ParamValueQueue : public Steinberg::Vst::IParamValueQueue {
public:
    explicit ParamValueQueue(int maxPoints = 512);

    void reset(Steinberg::Vst::ParamID id);

    Steinberg::Vst::ParamID PLUGIN_API getParameterId() override { return id_; }
    Steinberg::int32 PLUGIN_API getPointCount() override;
    Steinberg::tresult PLUGIN_API getPoint(Steinberg::int32 index, Steinberg::int32& sampleOffset,
                                           Steinberg::Vst::ParamValue& value) override;
    // Points are kept in the order given; kResultFalse when the queue is full.
    Steinberg::tresult PLUGIN_API addPoint(Steinberg::int32 sampleOffset,
                                           Steinberg::Vst::ParamValue value,
                                           Steinberg::int32& index) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }

private:
    struct Point {
        Steinberg::int32 offset;
        Steinberg::Vst::ParamValue value;
    };
    Steinberg::Vst::ParamID id_ = 0;
    std::vector<Point> points_;
    size_t capacity_;
};

class ParameterChanges : public Steinberg::Vst::IParameterChanges {
public:
    explicit ParameterChanges(int maxQueues = 64, int maxPointsPerQueue = 512);

    // Empties every queue (keeps the storage).
    void clear();
    // Convenience: add one point for `id`, creating its queue when needed.
    bool add(Steinberg::Vst::ParamID id, Steinberg::int32 sampleOffset,
             Steinberg::Vst::ParamValue value);

    Steinberg::int32 PLUGIN_API getParameterCount() override;
    Steinberg::Vst::IParamValueQueue* PLUGIN_API getParameterData(Steinberg::int32 index) override;
    // Returns the existing queue for `id`, or a new one; null when all queues are in use.
    Steinberg::Vst::IParamValueQueue* PLUGIN_API addParameterData(const Steinberg::Vst::ParamID& id,
                                                                  Steinberg::int32& index) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }

private:
    std::vector<std::unique_ptr<ParamValueQueue>> queues_;
    Steinberg::int32 used_ = 0;
};

}  // namespace velmo::host
