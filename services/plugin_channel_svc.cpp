#include "services/plugin_channel_svc.h"

#include <windows.h>

#include <atomic>

#include "ipc/message_shapes.h"
#include "ipc/pipe_settings.h"
#include "services/plugin_channel_connect.h"
#include "services/plugin_pipe_name.h"
#include "win/scoped_handle.h"

namespace {

// Process-wide, so that no two channels of one broker share a name.
std::atomic<uint32_t> g_pipeNameCounter{0};

// The process that is to receive a channel's server end, or none. The broker
// itself is none: both ends would stay in the broker and the channel's place
// would never come back. The opened process is judged, not the number asked
// for, since more than one number can name the same process.
corvane::UniqueHandle OpenPluginProcess(uint32_t processId) {
  corvane::UniqueHandle process(
      OpenProcess(PROCESS_DUP_HANDLE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  if (!process) return process;
  const DWORD opened = GetProcessId(process.get());
  if (opened == 0 || opened == GetCurrentProcessId()) process.Reset();
  return process;
}

}  // namespace

int64_t SbxPISDKGetHandleToPluginIPCChannelSvc::CreatePluginChannel(ipc::BrokerChannel* channel,
                                                                    uint32_t processId) {
  const DWORD tick = GetTickCount();
  const DWORD brokerId = GetCurrentProcessId();
  const uint32_t number = g_pipeNameCounter.fetch_add(1) + 1u;
  wchar_t name[corvane::kPluginPipeNameSize];
  corvane::FormatPluginPipeName(name, static_cast<uint32_t>(brokerId), static_cast<uint32_t>(tick),
                                number);

  uint32_t status = 0;
  uint64_t handleValue = ipc::kNoHandle;
  // A process the broker may not open gets no pipe and no error code.
  corvane::UniqueHandle process = OpenPluginProcess(processId);
  if (process && !channels_.PlaceFree()) {
    // Each channel holds a pipe in the broker and in the plug-in; the plug-in
    // has to close one before it gets another.
    status = ERROR_TOO_MANY_OPEN_FILES;
  } else if (process) {
    SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, TRUE};
    corvane::UniqueHandle pipe(CreateNamedPipeW(
        name, PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE, PIPE_REJECT_REMOTE_CLIENTS, 1,
        ipc::kPipeBufferSize, ipc::kPipeBufferSize, ipc::kPipeDefaultTimeoutMs, &attributes));
    if (!pipe) {
      status = GetLastError();
    } else {
      // The server end moves: the close-source option releases the broker's
      // copy whether or not the duplication succeeds.
      HANDLE remote = nullptr;
      if (DuplicateHandle(GetCurrentProcess(), pipe.Release(), process.get(), &remote, 0, FALSE,
                          DUPLICATE_CLOSE_SOURCE | DUPLICATE_SAME_ACCESS)) {
        handleValue = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(remote));
      } else {
        status = GetLastError();
      }
    }
  }
  process.Reset();

  ipc::MsgParam statusParam, handleParam;
  ipc::MsgParam* const reply[] = {&statusParam, &handleParam};
  ipc::MakeParams(corvane::protocol::PluginChannelReply{status, handleValue}, reply);
  const int64_t sent = SendMsg(channel, ipc::kMsgPluginChannelReply, statusParam, handleParam);
  if (handleValue == ipc::kNoHandle) return sent;

  // Earlier channels stay connected: the plug-in may use all of them.
  channels_.Keep(corvane::ConnectPluginChannelClient(name, corvane::kPluginChannelConnectBudgetMs));
  return sent;
}
