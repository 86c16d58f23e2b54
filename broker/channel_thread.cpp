#include "broker/channel_thread.h"

#include "ipc/broker_channel.h"
#include "ipc/handler.h"
#include "ipc/kept_storage.h"
#include "services/service_manager.h"

namespace corvane {

DWORD ChannelThreadMain(ChannelThreadArgs* args) {
  BrokerSync* sync = args->sync;
  // Back-to-back large messages reuse their storage; the transport gives it
  // back once the plug-in has been quiet for a moment, and so does the end.
  ipc::KeptStorage kept;
  PipeTransportWithMessagePump transport;
  transport.idleRelease = &kept;
  if (!transport.AttachAndConnect(args->pipe.Release(), true)) {
    SetEvent(sync->failedEvent);
    transport.ReleaseBuffer();
    transport.Close();
    return 1;
  }
  ipc::BrokerChannel channel(&transport, &kept);
  // Without a manager every message but the keep-alive ends the loop.
  BuildServiceManager();
  SetEvent(sync->readyEvent);

  ipc::BadMessageRecv<ipc::BrokerChannel> badMessage;
  try {
    channel.ReceiveLoop(&badMessage, [](int32_t id) -> ipc::BrokerChannel::Handler* {
      CorvanePluginServiceManager* manager = ServiceManager();
      return manager != nullptr ? manager->FindService(id) : nullptr;
    });
  } catch (...) {
    // Out of memory while decoding: the channel ends like any other stop.
  }
  kept.Release();

  // Closes the plug-in channels too.
  DestroyServiceManager();
  // Disconnecting throws away what the plug-in has not read yet, such as the
  // reply to a request that came just before a bad frame. Wait until it has
  // been read (or the plug-in has closed its end) first; a plug-in that holds
  // the pipe without reading keeps the broker only as long as it lives.
  FlushFileBuffers(transport.handle());
  transport.ReleaseBuffer();
  transport.Close();
  return 0;
}

DWORD WINAPI ChannelThreadStart(LPVOID param) {
  try {
    return ChannelThreadMain(static_cast<ChannelThreadArgs*>(param));
  } catch (...) {
    return 1;
  }
}

}  // namespace corvane
