#pragma once
// The VST3 parameter built from one table row, so hosts, generic editors and automation lanes
// see the same ranges, steps and texts as the plug-in's own editor.
#include <cstddef>

#include "params/param_table.h"
#include "public.sdk/source/vst/vstparameters.h"

namespace velmo {

class VelmoParameter : public Steinberg::Vst::Parameter {
public:
    using ParamValue = Steinberg::Vst::ParamValue;
    using String128 = Steinberg::Vst::String128;
    using TChar = Steinberg::Vst::TChar;

    // `desc` must outlive the parameter (the table rows are static).
    explicit VelmoParameter(const velmo_param_desc& desc);
    ~VelmoParameter() override;

    void toString(ParamValue normalized, String128 string) const override;
    bool fromString(const TChar* string, ParamValue& normalized) const override;
    ParamValue toPlain(ParamValue normalized) const override;
    ParamValue toNormalized(ParamValue plain) const override;

    // Bounded form: reads at most `length` units (stopping early at a NUL).
    bool fromString(const TChar* string, std::size_t length, ParamValue& normalized) const;

    const velmo_param_desc& desc() const { return desc_; }

private:
    const velmo_param_desc& desc_;
};

}  // namespace velmo
