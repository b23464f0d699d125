// The factory with the product's own classes: each class id makes the object a host expects.
#include <gtest/gtest.h>

#include "controller/velmo_controller.h"
#include "module/plugin_classes.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivstmessage.h"
#include "processor/plugin_ids.h"
#include "processor/velmo_processor.h"

namespace velmo {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

TEST(PluginClasses, EachClassIdMakesItsObject) {
    IPtr<IPluginFactory> factory =
        owned(acquirePluginFactory({&VelmoProcessor::createInstance, &VelmoController::createInstance}));
    ASSERT_TRUE(factory);

    IAudioProcessor* processor = nullptr;
    ASSERT_EQ(factory->createInstance(kProcessorUid.toTUID(), IAudioProcessor::iid,
                                      reinterpret_cast<void**>(&processor)),
              kResultOk);
    EXPECT_TRUE(FUnknownPtr<IComponent>(processor));
    EXPECT_TRUE(FUnknownPtr<IConnectionPoint>(processor));
    FUnknownPtr<IComponent> component(processor);
    TUID controllerId;
    ASSERT_EQ(component->getControllerClassId(controllerId), kResultOk);
    EXPECT_EQ(FUID::fromTUID(controllerId), kControllerUid) << "the processor names the registered controller";
    component = nullptr;
    processor->release();

    IEditController* controller = nullptr;
    ASSERT_EQ(factory->createInstance(kControllerUid.toTUID(), IEditController::iid,
                                      reinterpret_cast<void**>(&controller)),
              kResultOk);
    EXPECT_TRUE(FUnknownPtr<IMidiMapping>(controller));
    EXPECT_TRUE(FUnknownPtr<IConnectionPoint>(controller));
    EXPECT_FALSE(FUnknownPtr<IAudioProcessor>(controller));
    controller->release();
}

}  // namespace
}  // namespace velmo
