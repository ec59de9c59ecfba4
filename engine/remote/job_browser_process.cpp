#include "engine/remote/job_browser_process.h"

#include "engine/shared/command_line_text.h"

namespace remote {

std::unique_ptr<BrowserProcess> JobBrowserProcess::Launch(const std::wstring& program,
                                                          const std::vector<std::wstring>& arguments,
                                                          ExitHandler on_exit, std::wstring* error) {
  auto fail = [error](const std::wstring& reason) -> std::unique_ptr<BrowserProcess> {
    if (error) *error = reason + L" (error " + std::to_wstring(::GetLastError()) + L")";
    return nullptr;
  };
  std::unique_ptr<JobBrowserProcess> process(new JobBrowserProcess());
  process->job_.reset(::CreateJobObjectW(nullptr, nullptr));
  process->stop_.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!process->job_ || !process->stop_) return fail(L"no job object");
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!::SetInformationJobObject(process->job_.get(), JobObjectExtendedLimitInformation, &limits, sizeof(limits))) {
    return fail(L"the job cannot kill on close");
  }

  std::wstring command_line = engine::QuoteArgument(program);
  for (const std::wstring& argument : arguments) command_line += L" " + engine::QuoteArgument(argument);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  // Suspended until it is in the job, so that nothing it starts escapes.
  if (!::CreateProcessW(program.c_str(), &command_line[0], nullptr, nullptr, FALSE,
                        CREATE_SUSPENDED | CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT, nullptr, nullptr, &startup,
                        &info)) {
    return fail(L"the browser did not start: " + program);
  }
  process->process_.reset(info.hProcess);
  qbase::UniqueKernelHandle thread(info.hThread);
  process->process_id_ = info.dwProcessId;
  if (!::AssignProcessToJobObject(process->job_.get(), info.hProcess)) {
    ::TerminateProcess(info.hProcess, 1);
    return fail(L"the browser cannot join its job");
  }
  ::ResumeThread(thread.get());
  process->on_exit_ = std::move(on_exit);
  process->watcher_ = std::make_unique<Watcher>(process.get());
  if (!process->watcher_->Start()) {
    process->watcher_.reset();
    return fail(L"the browser cannot be watched");
  }
  return process;
}

JobBrowserProcess::~JobBrowserProcess() {
  Kill();
  ::SetEvent(stop_.get());
  watcher_.reset();
}

void JobBrowserProcess::Watcher::Run() {
  HANDLE handles[] = {owner_->process_.get(), owner_->stop_.get()};
  DWORD which = ::WaitForMultipleObjects(2, handles, FALSE, INFINITE);
  DWORD code = static_cast<DWORD>(-1);
  if (which == WAIT_OBJECT_0) ::GetExitCodeProcess(owner_->process_.get(), &code);
  if (owner_->on_exit_) owner_->on_exit_(static_cast<int>(code));
}

bool JobBrowserProcess::HasExited() { return WaitForExit(0); }

bool JobBrowserProcess::WaitForExit(DWORD timeout_ms) {
  return ::WaitForSingleObject(process_.get(), timeout_ms) == WAIT_OBJECT_0;
}

void JobBrowserProcess::Kill() {
  if (job_) ::TerminateJobObject(job_.get(), 1);
}

}  // namespace remote
