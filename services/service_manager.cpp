#include "services/service_manager.h"

#include <memory>

#include "requests/corvane_broker_registry_svc.h"

namespace {

// Set and cleared on the channel thread only, which is also the only reader.
CorvanePluginServiceManager* g_serviceManager = nullptr;

}  // namespace

SandboxPIServiceManager::Handler* SandboxPIServiceManager::FindService(int32_t messageId) {
  if (messageId == ipc::kMsgGetPluginChannel) return &pluginChannelSvc_;
  return nullptr;
}

SandboxPIServiceManager::Handler* CorvanePluginServiceManager::FindService(int32_t messageId) {
  const auto entry = serviceMap.find(messageId);
  if (entry != serviceMap.end()) return entry->second;
  return SandboxPIServiceManager::FindService(messageId);
}

namespace corvane {

bool BuildServiceManager() {
  if (g_serviceManager != nullptr) return true;
  try {
    auto manager = std::make_unique<CorvanePluginServiceManager>();
    static CorvaneBrokerRegistrySvc requestService;
    manager->serviceMap[ipc::kMsgBrokerRequest] = &requestService;
    g_serviceManager = manager.release();
    return true;
  } catch (...) {
    return false;
  }
}

CorvanePluginServiceManager* ServiceManager() {
  return g_serviceManager;
}

void DestroyServiceManager() {
  delete g_serviceManager;
  g_serviceManager = nullptr;
}

}  // namespace corvane
