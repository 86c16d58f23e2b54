// Which service receives a message: one manager per process, built when the
// broker pipe is connected and destroyed when the channel thread ends. The
// manager owns the plug-in channel service, so the channels close with it;
// the request service keeps nothing and lives as long as the process.
// Windows only.
#pragma once

#include <cstdint>
#include <map>

#include "ipc/broker_channel.h"
#include "services/plugin_channel_svc.h"

class SandboxPIServiceManager {
 public:
  using Handler = ipc::BrokerChannel::Handler;

  // The plug-in channel service for id 3; none for any other id.
  virtual Handler* FindService(int32_t messageId);

 protected:
  // Managers are destroyed through their own type only.
  ~SandboxPIServiceManager() = default;

 private:
  SbxPISDKGetHandleToPluginIPCChannelSvc pluginChannelSvc_;
};

class CorvanePluginServiceManager final : public SandboxPIServiceManager {
 public:
  // The map's entry for `messageId`, else what the base class finds.
  Handler* FindService(int32_t messageId) override;

  std::map<int32_t, Handler*> serviceMap;  // not owned
};

namespace corvane {

// Creates the process-wide manager, whose map sends id 6 to the request
// service, unless one exists. False, with nothing published, if building
// it throws.
bool BuildServiceManager();

// The process-wide manager, or null.
CorvanePluginServiceManager* ServiceManager();

// Destroys the process-wide manager, if any, and clears the pointer.
void DestroyServiceManager();

}  // namespace corvane
