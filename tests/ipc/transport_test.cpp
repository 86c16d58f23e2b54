// The overlapped pipe transport over real named pipes, with the client end
// on a second thread.
#include <gtest/gtest.h>

#include <cstdint>
#include <thread>
#include <vector>

#include "ipc/pipe_transport.h"
#include "tests/ipc/message_window.h"
#include "tests/ipc/pipes.h"

namespace {

using corvane::test::ConnectClient;
using corvane::test::CreateServerPipe;
using corvane::test::Handle;
using corvane::test::MessageWindow;
using corvane::test::NewEvent;
using corvane::test::ReadBytes;
using corvane::test::ReadToEnd;
using corvane::test::UniquePipeName;
using corvane::test::WriteAll;

// A deadlock guard only: every wait below normally ends at once.
constexpr DWORD kGuardMs = 20000;

std::vector<uint8_t> Pattern(size_t size) {
  std::vector<uint8_t> out(size);
  for (size_t i = 0; i < size; ++i) out[i] = static_cast<uint8_t>(i * 7 + i / 251);
  return out;
}

std::vector<uint8_t> ReadOnce(PipeTransportWithMessagePump& t) {
  size_t count = 0;
  const uint8_t* bytes = t.Read(count);
  if (bytes == nullptr) return {};
  return {bytes, bytes + count};
}

// Declared before the transport so that it is joined after the transport has
// closed its end: a client still blocked on the pipe then wakes up.
using Client = std::jthread;

TEST(PipeTransport, ConnectsAClientThatConnectedFirst) {
  const auto name = UniquePipeName();
  HANDLE server = CreateServerPipe(name);
  ASSERT_NE(server, INVALID_HANDLE_VALUE);
  Handle client = ConnectClient(name);  // before ConnectNamedPipe: ERROR_PIPE_CONNECTED
  ASSERT_TRUE(client);
  PipeTransportWithMessagePump t;
  EXPECT_TRUE(t.AttachAndConnect(server, true));
  EXPECT_EQ(t.handle(), server);
  ASSERT_TRUE(WriteAll(client.get(), {1, 2, 3}));
  EXPECT_EQ(ReadOnce(t), (std::vector<uint8_t>{1, 2, 3}));
}

TEST(PipeTransport, WaitsForAClientThatConnectsLater) {
  // The client connects only once the window procedure has run, which
  // happens inside the transport's wait for the pending connect.
  const auto name = UniquePipeName();
  MessageWindow window;
  ASSERT_NE(window.hwnd(), nullptr);
  Client client;
  PipeTransportWithMessagePump t;
  t.pumpMessages = true;
  HANDLE server = CreateServerPipe(name);
  ASSERT_NE(server, INVALID_HANDLE_VALUE);
  client = Client([&] {
    PostMessageW(window.hwnd(), WM_APP, 1, 0);
    WaitForSingleObject(window.seenEvent(), kGuardMs);
    Handle h = ConnectClient(name);
    WriteAll(h.get(), {9});
    ReadToEnd(h.get());
  });
  EXPECT_TRUE(t.AttachAndConnect(server, true));
  EXPECT_EQ(window.seen(), std::vector<WPARAM>{1});
  EXPECT_EQ(ReadOnce(t), std::vector<uint8_t>{9});

  // Without pumping, a client that comes later is waited for as well.
  const auto other = UniquePipeName();
  Client late;
  PipeTransportWithMessagePump u;
  HANDLE server2 = CreateServerPipe(other);
  ASSERT_NE(server2, INVALID_HANDLE_VALUE);
  late = Client([&] {
    Sleep(50);  // most likely after ConnectNamedPipe; either order must work
    Handle h = ConnectClient(other);
    WriteAll(h.get(), {8});
    ReadToEnd(h.get());
  });
  EXPECT_TRUE(u.AttachAndConnect(server2, true));
  EXPECT_EQ(ReadOnce(u), std::vector<uint8_t>{8});
  u.Close();
  t.Close();
}

TEST(PipeTransport, LargeMessageArrivesInReadsOfAtMost4096Bytes) {
  const auto name = UniquePipeName();
  const auto data = Pattern(10000);
  Client client;
  PipeTransportWithMessagePump t;
  HANDLE server = CreateServerPipe(name);
  ASSERT_NE(server, INVALID_HANDLE_VALUE);
  client = Client([&] {
    Handle h = ConnectClient(name);
    WriteAll(h.get(), data);  // one write; blocks until the server has read it
  });
  ASSERT_TRUE(t.AttachAndConnect(server, true));
  std::vector<uint8_t> got;
  int reads = 0;
  while (got.size() < data.size()) {
    size_t count = 0;
    const uint8_t* bytes = t.Read(count);
    ASSERT_NE(bytes, nullptr);
    ++reads;
    EXPECT_EQ(bytes, t.receiveBuffer.data());
    EXPECT_EQ(t.receiveBuffer.size(), 4096u);
    EXPECT_GT(count, 0u);
    EXPECT_LE(count, 4096u);
    got.insert(got.end(), bytes, bytes + count);
  }
  EXPECT_GE(reads, 3);
  EXPECT_EQ(got, data);
  // The client has closed its end: the next read delivers nothing.
  size_t count = 1;
  EXPECT_EQ(t.Read(count), nullptr);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(t.receiveBuffer.size(), 4096u);
}

TEST(PipeTransport, ReadFailsWhenTheClientGoesAway) {
  const auto name = UniquePipeName();
  PipeTransportWithMessagePump t;
  ASSERT_TRUE(t.AttachAndConnect(CreateServerPipe(name), false));
  {
    Handle client = ConnectClient(name);
    ASSERT_TRUE(WriteAll(client.get(), {5, 6, 7}));
  }
  EXPECT_EQ(ReadOnce(t), (std::vector<uint8_t>{5, 6, 7}));
  size_t count = 0;
  EXPECT_EQ(t.Read(count), nullptr);
  EXPECT_EQ(t.Read(count), nullptr);

  // A client that closes while the read is pending (it waits until the
  // pumping wait has dispatched its message).
  const auto other = UniquePipeName();
  MessageWindow window;
  Handle h;
  Client client;
  PipeTransportWithMessagePump u;
  u.pumpMessages = true;
  ASSERT_TRUE(u.AttachAndConnect(CreateServerPipe(other), false));
  h = ConnectClient(other);
  ASSERT_TRUE(h);
  client = Client([&] {
    PostMessageW(window.hwnd(), WM_APP, 2, 0);
    WaitForSingleObject(window.seenEvent(), kGuardMs);
    h.Reset();
  });
  EXPECT_EQ(u.Read(count), nullptr);
  EXPECT_EQ(window.seen(), std::vector<WPARAM>{2});
}

TEST(PipeTransport, ZeroByteWriteByTheClientIsNotData) {
  // Whatever a zero-byte write does to a pending read, the transport never
  // reports zero bytes as data.
  const auto name = UniquePipeName();
  PipeTransportWithMessagePump t;
  ASSERT_TRUE(t.AttachAndConnect(CreateServerPipe(name), false));
  Handle client = ConnectClient(name);
  DWORD written = 1;
  ASSERT_TRUE(WriteFile(client.get(), "", 0, &written, nullptr));
  ASSERT_TRUE(WriteAll(client.get(), {4}));
  size_t count = 0;
  const uint8_t* bytes = t.Read(count);
  if (bytes == nullptr) {
    EXPECT_EQ(count, 0u);
    bytes = t.Read(count);
  }
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(bytes[0], 4);
}

TEST(PipeTransport, WritesWholeBuffers) {
  const auto name = UniquePipeName();
  const auto data = Pattern(100000);  // far more than the pipe's buffer
  std::vector<uint8_t> received;
  Handle h;
  Client client;
  PipeTransportWithMessagePump t;
  ASSERT_TRUE(t.AttachAndConnect(CreateServerPipe(name), false));
  h = ConnectClient(name);
  ASSERT_TRUE(h);
  // A write completes once its bytes are in the pipe, not once they are read,
  // and disconnecting drops what is unread: the client reads all of it first.
  client = Client([&] { received = ReadBytes(h.get(), data.size() + 1); });
  EXPECT_TRUE(t.Write(data.data(), data.size()));
  EXPECT_TRUE(t.Write(nullptr, 0));  // nothing to do, and nothing sent
  EXPECT_TRUE(t.Write("!", 1));
  client.join();
  t.Close();
  EXPECT_TRUE(ReadToEnd(h.get()).empty());
  ASSERT_EQ(received.size(), data.size() + 1);
  EXPECT_TRUE(std::equal(data.begin(), data.end(), received.begin()));
  EXPECT_EQ(received.back(), '!');
}

TEST(PipeTransport, WriteFailsOnceTheClientHasGone) {
  const auto name = UniquePipeName();
  PipeTransportWithMessagePump t;
  ASSERT_TRUE(t.AttachAndConnect(CreateServerPipe(name), false));
  ConnectClient(name);  // connects and closes at once
  EXPECT_FALSE(t.Write("abc", 3));
}

TEST(PipeTransport, AttachTakesAClientEnd) {
  const auto name = UniquePipeName();
  PipeTransportWithMessagePump server;
  ASSERT_TRUE(server.AttachAndConnect(CreateServerPipe(name), false));
  PipeTransportWithMessagePump client;
  Handle h = ConnectClient(name);
  ASSERT_TRUE(h);
  ASSERT_TRUE(client.Attach(h.Release()));
  ASSERT_TRUE(client.Write("hi", 2));
  EXPECT_EQ(ReadOnce(server), (std::vector<uint8_t>{'h', 'i'}));
  ASSERT_TRUE(server.Write("yo", 2));
  EXPECT_EQ(ReadOnce(client), (std::vector<uint8_t>{'y', 'o'}));
  client.Close();  // DisconnectNamedPipe on a client end does no harm
  size_t count = 0;
  EXPECT_EQ(server.Read(count), nullptr);
}

TEST(PipeTransport, AttachReplacesAndTakeHandleHandsOver) {
  const auto first = UniquePipeName();
  const auto second = UniquePipeName();
  PipeTransportWithMessagePump t;
  ASSERT_TRUE(t.Attach(CreateServerPipe(first)));
  // The handle held before is closed, so its name is free again.
  ASSERT_TRUE(t.Attach(CreateServerPipe(second)));
  Handle again(CreateServerPipe(first));
  EXPECT_TRUE(again);

  Handle client = ConnectClient(second);
  ASSERT_TRUE(client);
  Handle taken = t.TakeHandle();
  EXPECT_EQ(t.handle(), INVALID_HANDLE_VALUE);
  t.Close();  // nothing held: the taken end stays connected
  ASSERT_TRUE(WriteAll(taken.get(), {3}));
  EXPECT_EQ(ReadBytes(client.get(), 1), std::vector<uint8_t>{3});
}

TEST(PipeTransport, InvalidHandlesAndClosing) {
  PipeTransportWithMessagePump t;
  EXPECT_FALSE(t.Attach(INVALID_HANDLE_VALUE));
  EXPECT_FALSE(t.AttachAndConnect(INVALID_HANDLE_VALUE, true));
  EXPECT_FALSE(t.AttachAndConnect(INVALID_HANDLE_VALUE, false));
  EXPECT_EQ(t.handle(), INVALID_HANDLE_VALUE);
  size_t count = 0;
  EXPECT_EQ(t.Read(count), nullptr);
  EXPECT_EQ(t.receiveBuffer.size(), 4096u);
  EXPECT_FALSE(t.Write("x", 1));
  EXPECT_FALSE(t.Write(nullptr, 0));
  t.Close();  // nothing to close

  const auto name = UniquePipeName();
  Handle client;
  PipeTransportWithMessagePump u;
  ASSERT_TRUE(u.AttachAndConnect(CreateServerPipe(name), false));
  client = ConnectClient(name);
  ASSERT_TRUE(client);
  u.Close();
  EXPECT_EQ(u.handle(), INVALID_HANDLE_VALUE);
  u.Close();
  EXPECT_EQ(u.handle(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(u.Read(count), nullptr);
  EXPECT_FALSE(u.Write("x", 1));
  // The client sees the pipe end.
  EXPECT_TRUE(ReadToEnd(client.get()).empty());
  client.Reset();
  // The name is free again: Close closed the handle, not only disconnected it.
  HANDLE again = CreateServerPipe(name);
  EXPECT_NE(again, INVALID_HANDLE_VALUE);
  Handle owned(again);
}

TEST(PipeTransport, PumpsWindowMessagesOnlyWhenAsked) {
  for (bool pump : {true, false}) {
    const auto name = UniquePipeName();
    MessageWindow window;
    ASSERT_NE(window.hwnd(), nullptr);
    Handle h;
    Client client;
    PipeTransportWithMessagePump t;
    t.pumpMessages = pump;
    ASSERT_TRUE(t.AttachAndConnect(CreateServerPipe(name), false));
    h = ConnectClient(name);
    ASSERT_TRUE(h);
    client = Client([&] {
      PostMessageW(window.hwnd(), WM_APP, 7, 0);
      // With pumping, the data follows only once the message was dispatched
      // during the pending read.
      if (pump) WaitForSingleObject(window.seenEvent(), kGuardMs);
      WriteAll(h.get(), {1});
    });
    EXPECT_EQ(ReadOnce(t), std::vector<uint8_t>{1}) << pump;
    client.join();
    if (pump) {
      EXPECT_EQ(window.seen(), std::vector<WPARAM>{7});
    } else {
      EXPECT_TRUE(window.seen().empty());
      MSG msg;
      ASSERT_TRUE(PeekMessageW(&msg, window.hwnd(), WM_APP, WM_APP, PM_REMOVE));
      EXPECT_EQ(msg.wParam, 7u);
    }
  }
}

}  // namespace
