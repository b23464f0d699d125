#include "tools/host/parameter_changes.h"

namespace velmo::host {

using namespace Steinberg;
using namespace Steinberg::Vst;

ParamValueQueue::ParamValueQueue(int maxPoints) : capacity_(static_cast<size_t>(maxPoints)) {
    points_.reserve(capacity_);
}

void ParamValueQueue::reset(ParamID id) {
    id_ = id;
    points_.clear();
}

int32 PLUGIN_API ParamValueQueue::getPointCount() { return static_cast<int32>(points_.size()); }

tresult PLUGIN_API ParamValueQueue::getPoint(int32 index, int32& sampleOffset, ParamValue& value) {
    if (index < 0 || index >= getPointCount()) {
        return kResultFalse;
    }
    sampleOffset = points_[static_cast<size_t>(index)].offset;
    value = points_[static_cast<size_t>(index)].value;
    return kResultOk;
}

tresult PLUGIN_API ParamValueQueue::addPoint(int32 sampleOffset, ParamValue value, int32& index) {
    if (points_.size() >= capacity_) {
        return kResultFalse;
    }
    index = static_cast<int32>(points_.size());
    points_.push_back({sampleOffset, value});
    return kResultOk;
}

tresult PLUGIN_API ParamValueQueue::queryInterface(const TUID iid, void** obj) {
    QUERY_INTERFACE(iid, obj, FUnknown::iid, IParamValueQueue)
    QUERY_INTERFACE(iid, obj, IParamValueQueue::iid, IParamValueQueue)
    *obj = nullptr;
    return kNoInterface;
}

ParameterChanges::ParameterChanges(int maxQueues, int maxPointsPerQueue) {
    queues_.reserve(static_cast<size_t>(maxQueues));
    for (int i = 0; i < maxQueues; ++i) {
        queues_.push_back(std::make_unique<ParamValueQueue>(maxPointsPerQueue));
    }
}

void ParameterChanges::clear() { used_ = 0; }

bool ParameterChanges::add(ParamID id, int32 sampleOffset, ParamValue value) {
    int32 index = 0;
    IParamValueQueue* queue = addParameterData(id, index);
    return queue != nullptr && queue->addPoint(sampleOffset, value, index) == kResultOk;
}

int32 PLUGIN_API ParameterChanges::getParameterCount() { return used_; }

IParamValueQueue* PLUGIN_API ParameterChanges::getParameterData(int32 index) {
    if (index < 0 || index >= used_) {
        return nullptr;
    }
    return queues_[static_cast<size_t>(index)].get();
}

IParamValueQueue* PLUGIN_API ParameterChanges::addParameterData(const ParamID& id, int32& index) {
    for (int32 i = 0; i < used_; ++i) {
        if (queues_[static_cast<size_t>(i)]->getParameterId() == id) {
            index = i;
            return queues_[static_cast<size_t>(i)].get();
        }
    }
    if (used_ >= static_cast<int32>(queues_.size())) {
        return nullptr;
    }
    index = used_;
    queues_[static_cast<size_t>(used_)]->reset(id);
    ++used_;
    return queues_[static_cast<size_t>(index)].get();
}

tresult PLUGIN_API ParameterChanges::queryInterface(const TUID iid, void** obj) {
    QUERY_INTERFACE(iid, obj, FUnknown::iid, IParameterChanges)
    QUERY_INTERFACE(iid, obj, IParameterChanges::iid, IParameterChanges)
    *obj = nullptr;
    return kNoInterface;
}

}  // namespace velmo::host
