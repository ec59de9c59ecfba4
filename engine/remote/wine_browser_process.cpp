#include "engine/remote/wine_browser_process.h"

#include <ws2tcpip.h>

#include <cstdlib>

#include "base/string_conversions.h"
#include "engine/remote/wine_paths.h"
#include "engine/shared/command_line_text.h"

namespace remote {

// Arguments: the log file, then the browser and its arguments. Job control
// puts the browser in a process group of its own, which is ended whole. A
// browser run by root would raise its own threads above the client's and
// starve it; without the right to, it cannot. The browser is killed when
// the launcher dies, however it dies: a signal to the client's whole
// process group would otherwise end the launcher and orphan the browser. A
// read with a time-out works on the non-blocking socket Wine hands over; it
// fails for good once our end is closed.
const wchar_t WineBrowserProcess::kLauncherScript[] =
    L"set -m; log=$1; shift; run=;"
    L" for try in 'setpriv --bounding-set -sys_nice --pdeathsig KILL' 'setpriv --bounding-set -sys_nice'; do"
    L"  $try true 2>/dev/null && { run=$try; break; }; done;"
    L" $run \"$@\" </dev/null >>\"$log\" 2>&1 & pid=$!; echo \"started $pid\"; status=;"
    L" while :; do"
    L"  if ! kill -0 $pid 2>/dev/null; then wait $pid; status=$?; break; fi;"
    L"  IFS= read -r -t 0.2 line; rc=$?;"
    L"  if [ $rc -eq 0 ]; then [ \"$line\" = kill ] && break;"
    L"  elif [ $rc -le 128 ]; then kill -TERM -- -$pid 2>/dev/null;"
    L"   for i in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20; do kill -0 $pid 2>/dev/null || break; sleep 0.1; "
    L"done;"
    L"   break; fi;"
    L" done;"
    L" kill -KILL -- -$pid 2>/dev/null; [ -z \"$status\" ] && { wait $pid; status=$?; }; echo \"exited $status\"";

namespace {

// A connected pair on loopback: one end for the launcher, one for us. The
// accepted connection must be our own, not one that raced to the port.
bool ConnectedPair(UniqueSocket* ours, UniqueSocket* theirs) {
  UniqueSocket listener(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  if (!listener) return false;
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof(address);
  if (::bind(listener.get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      ::listen(listener.get(), 1) != 0 ||
      ::getsockname(listener.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    return false;
  }
  UniqueSocket client(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  if (!client || ::connect(client.get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) return false;
  sockaddr_in client_address = {};
  length = sizeof(client_address);
  if (::getsockname(client.get(), reinterpret_cast<sockaddr*>(&client_address), &length) != 0) return false;
  sockaddr_in peer = {};
  length = sizeof(peer);
  UniqueSocket accepted(::accept(listener.get(), reinterpret_cast<sockaddr*>(&peer), &length));
  if (!accepted || peer.sin_port != client_address.sin_port || peer.sin_addr.s_addr != client_address.sin_addr.s_addr) {
    return false;
  }
  *ours = std::move(client);
  *theirs = std::move(accepted);
  return true;
}

}  // namespace

WineBrowserProcess::WineBrowserProcess() : exited_event_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

std::unique_ptr<BrowserProcess> WineBrowserProcess::Launch(const std::wstring& program,
                                                           const std::vector<std::wstring>& arguments,
                                                           const std::wstring& log_file, ExitHandler on_exit,
                                                           std::wstring* error) {
  auto fail = [error](const std::wstring& reason) -> std::unique_ptr<BrowserProcess> {
    if (error) *error = reason;
    return nullptr;
  };
  std::wstring shell = FromUnixPath("/bin/bash");
  if (shell.empty() || ::GetFileAttributesW(shell.c_str()) == INVALID_FILE_ATTRIBUTES) {
    return fail(L"no /bin/bash to launch the browser with");
  }
  std::string unix_log = ToUnixPath(log_file);
  if (unix_log.empty()) unix_log = "/dev/null";

  std::unique_ptr<WineBrowserProcess> process(new WineBrowserProcess());
  WSADATA data;
  if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) return fail(L"no sockets");
  process->winsock_started_ = true;
  if (!process->exited_event_) return fail(L"no event");
  UniqueSocket launcher_end;
  if (!ConnectedPair(&process->connection_, &launcher_end)) return fail(L"no loopback connection for the launcher");

  std::wstring command_line = engine::QuoteArgument(shell) + L" -c " + engine::QuoteArgument(kLauncherScript) +
                              L" launcher " + engine::QuoteArgument(qbase::UTF8ToUTF16(unix_log)) + L" " +
                              engine::QuoteArgument(program);
  for (const std::wstring& argument : arguments) command_line += L" " + engine::QuoteArgument(argument);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  HANDLE launcher_handle = reinterpret_cast<HANDLE>(launcher_end.get());
  startup.hStdInput = launcher_handle;
  startup.hStdOutput = launcher_handle;
  startup.hStdError = launcher_handle;
  PROCESS_INFORMATION info = {};
  // No CREATE_NO_WINDOW: with it Wine hands a Linux child none of the
  // standard handles given here. DETACHED_PROCESS: without it a parent with
  // no console (the client itself) hands it /dev/null in their place.
  if (!::CreateProcessW(nullptr, &command_line[0], nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr, nullptr, &startup,
                        &info)) {
    return fail(L"the launcher did not start (error " + std::to_wstring(::GetLastError()) + L")");
  }
  // Wine reports a Linux child as ended at once; these handles tell nothing.
  ::CloseHandle(info.hThread);
  ::CloseHandle(info.hProcess);
  launcher_end.reset();

  process->on_exit_ = std::move(on_exit);
  process->watcher_ = std::make_unique<Watcher>(process.get());
  if (!process->watcher_->Start()) {
    process->watcher_.reset();
    return fail(L"the launcher cannot be watched");
  }
  return process;
}

WineBrowserProcess::~WineBrowserProcess() {
  Kill();
  WaitForExit(3000);
  // Closing our end makes the launcher end whatever is left, and ends the
  // watcher's wait.
  if (connection_) ::shutdown(connection_.get(), SD_BOTH);
  watcher_.reset();
  connection_.reset();
  if (winsock_started_) ::WSACleanup();
}

void WineBrowserProcess::Watch() {
  std::string pending;
  char buffer[512];
  for (;;) {
    int received = ::recv(connection_.get(), buffer, sizeof(buffer), 0);
    if (received <= 0) break;
    pending.append(buffer, static_cast<size_t>(received));
    size_t end;
    while ((end = pending.find('\n')) != std::string::npos) {
      HandleLine(pending.substr(0, end));
      pending.erase(0, end + 1);
    }
    // A launcher that talks without end is no launcher of ours.
    if (pending.size() > 64 * 1024) break;
  }
  // The launcher is gone, and the browser with it.
  Exited(-1);
}

void WineBrowserProcess::HandleLine(const std::string& line) {
  if (line.compare(0, 8, "started ") == 0) {
    unix_process_id_ = std::strtoul(line.c_str() + 8, nullptr, 10);
  } else if (line.compare(0, 7, "exited ") == 0) {
    Exited(std::atoi(line.c_str() + 7));
  }
}

void WineBrowserProcess::Exited(int code) {
  if (exited_.exchange(true)) return;
  ::SetEvent(exited_event_.get());
  if (on_exit_) on_exit_(code);
}

bool WineBrowserProcess::HasExited() { return exited_; }

bool WineBrowserProcess::WaitForExit(DWORD timeout_ms) {
  return exited_ || ::WaitForSingleObject(exited_event_.get(), timeout_ms) == WAIT_OBJECT_0;
}

void WineBrowserProcess::Kill() {
  if (exited_) return;
  std::lock_guard<std::mutex> guard(send_lock_);
  static const char kKill[] = "kill\n";
  if (connection_) ::send(connection_.get(), kKill, sizeof(kKill) - 1, 0);
}

}  // namespace remote
