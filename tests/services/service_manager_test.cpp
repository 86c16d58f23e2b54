#include "services/service_manager.h"

#include <gtest/gtest.h>

#include "requests/corvane_broker_registry_svc.h"
#include "services/plugin_channel_svc.h"

namespace corvane {
namespace {

class ServiceManagerTest : public ::testing::Test {
 protected:
  void TearDown() override { DestroyServiceManager(); }
};

TEST_F(ServiceManagerTest, FindsTheRequestAndPluginChannelServicesOnly) {
  ASSERT_EQ(ServiceManager(), nullptr);
  ASSERT_TRUE(BuildServiceManager());
  CorvanePluginServiceManager* manager = ServiceManager();
  ASSERT_NE(manager, nullptr);

  auto* request = manager->FindService(6);
  EXPECT_NE(dynamic_cast<CorvaneBrokerRegistrySvc*>(request), nullptr);
  auto* channels = manager->FindService(3);
  EXPECT_NE(dynamic_cast<SbxPISDKGetHandleToPluginIPCChannelSvc*>(channels), nullptr);
  for (int32_t id : {1, 2, 4, 5, 7, 0, -1, 1000})
    EXPECT_EQ(manager->FindService(id), nullptr) << id;

  // Id 3 comes from the interface's own lookup, not from the map.
  ASSERT_EQ(manager->serviceMap.size(), 1u);
  EXPECT_EQ(manager->serviceMap.begin()->first, 6);
  SandboxPIServiceManager& base = *manager;
  EXPECT_EQ(base.SandboxPIServiceManager::FindService(3), channels);
  EXPECT_EQ(base.SandboxPIServiceManager::FindService(6), nullptr);
}

TEST_F(ServiceManagerTest, SecondBuildKeepsTheFirstManager) {
  ASSERT_TRUE(BuildServiceManager());
  CorvanePluginServiceManager* first = ServiceManager();
  auto* request = first->FindService(6);
  EXPECT_TRUE(BuildServiceManager());
  EXPECT_EQ(ServiceManager(), first);

  // After the manager is gone a new one shares the same request service.
  DestroyServiceManager();
  EXPECT_EQ(ServiceManager(), nullptr);
  ASSERT_TRUE(BuildServiceManager());
  EXPECT_EQ(ServiceManager()->FindService(6), request);
}

}  // namespace
}  // namespace corvane
