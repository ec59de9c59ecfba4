#include "browser/browser_handler.h"

#include <gtest/gtest.h>

#include <set>

#include "browser/cef_manager.h"
#include "browser/unregisted_callback_list.h"
#include "browser_test_support.h"
#include "engine/in_process/engine_state.h"
#include "engine/in_process/page.h"
#include "engine/shared/values_impl.h"

using namespace browser_test;
using qiv_comp::BrowserHandler;

namespace {

// A delegate that records what reaches it and on which thread.
class RecordingDelegate : public BrowserHandler::HandlerDelegate, public qbase::SupportWeakCallback {
 public:
  struct Call {
    std::string what;
    DWORD thread;
    std::wstring text;
    int number;
  };

  std::weak_ptr<qbase::WeakFlag> GetHandlerDelegateFlag() override { return GetWeakFlag(); }
  // As if destroyed: posted events must not reach it any more.
  void Die() { ReleaseWeakFlag(); }

  std::vector<Call> Calls(const std::string& what) {
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<Call> found;
    for (const Call& call : calls_) {
      if (call.what == what) found.push_back(call);
    }
    return found;
  }
  int Count(const std::string& what) { return static_cast<int>(Calls(what).size()); }
  std::vector<Call> All() {
    std::lock_guard<std::mutex> guard(lock_);
    return calls_;
  }

  bool open_popups_here = true;
  std::vector<std::vector<uint32_t>> frames;  // first pixel and width of each frame, UI thread only

  void OnPaint(CefRefPtr<CefBrowser>, cef_paint_element_type_t type, const CefRenderHandler::RectList&,
               const std::string* buffer, int width, int height) override {
    Record("paint", L"", type);
    const auto* pixels = reinterpret_cast<const uint32_t*>(buffer->data());
    const size_t count = static_cast<size_t>(width) * height;
    bool uniform = buffer->size() == count * 4;
    for (size_t i = 1; uniform && i < count; ++i) uniform = pixels[i] == pixels[0];
    frames.push_back({pixels[0], static_cast<uint32_t>(width), uniform ? 1u : 0u});
  }
  void OnPopupShow(CefRefPtr<CefBrowser>, bool show) override { Record("popup-show", L"", show); }
  void OnPopupSize(CefRefPtr<CefBrowser>, const CefRect& rect) override { Record("popup-size", L"", rect.width); }
  void UpdateWindowPosition() override { Record("update-position"); }
  void OnBeforeContextMenu(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, CefRefPtr<CefContextMenuParams>,
                           CefRefPtr<CefMenuModel>) override {
    Record("before-menu");
  }
  bool OnContextMenuCommand(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, CefRefPtr<CefContextMenuParams>, int,
                            cef_event_flags_value_t) override {
    return false;
  }
  void OnAddressChange(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, const CefString& url) override {
    Record("address", url.ToWString());
  }
  void OnTitleChange(CefRefPtr<CefBrowser>, const CefString& title) override { Record("title", title.ToWString()); }
  void OnLoadingStateChange(CefRefPtr<CefBrowser>, bool is_loading, bool, bool) override {
    Record("loading", L"", is_loading);
  }
  void OnLoadStart(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame>) override {
    Record("load-start", L"", browser->GetIdentifier());
  }
  void OnLoadEnd(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, int) override {
    Record("load-end", frame->GetURL().ToWString(), browser->GetIdentifier());
  }
  void OnLoadError(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, cef_errorcode_t code, const CefString&,
                   const CefString& url) override {
    Record("load-error", url.ToWString(), code);
  }
  bool OnBeforePopup(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, const CefString& target_url, const CefString&,
                     CefLifeSpanHandlerWindowOpenDisposition, bool, const CefPopupFeatures&, CefWindowInfo&,
                     CefRefPtr<CefClient>&, CefBrowserSettings&, bool*) override {
    Record("before-popup", target_url.ToWString());
    return open_popups_here;
  }
  void OnAfterCreated(CefRefPtr<CefBrowser> browser) override {
    Record("after-created", L"", browser->GetIdentifier());
  }
  void OnBeforeClose(CefRefPtr<CefBrowser> browser) override { Record("before-close", L"", browser->GetIdentifier()); }
  bool OnBeforeBrowse(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, CefRefPtr<CefRequest> request, bool) override {
    Record("before-browse", request->GetURL().ToWString());
    return false;
  }
  void OnRenderProcessTerminated(CefRefPtr<CefBrowser>, CefRequestHandlerTerminationStatus) override {}
  void OnBeforeDownload(CefRefPtr<CefBrowser>, CefRefPtr<CefDownloadItem>, const CefString&,
                        CefRefPtr<CefBeforeDownloadCallback>) override {}
  void OnDownloadUpdated(CefRefPtr<CefBrowser>, CefRefPtr<CefDownloadItem>,
                         CefRefPtr<CefDownloadItemCallback>) override {}
  bool OnFileDialog(CefRefPtr<CefBrowser>, CefDialogHandlerFileDialogMode, const CefString&, const CefString&,
                    const std::vector<CefString>&, int, CefRefPtr<CefFileDialogCallback>) override {
    return false;
  }
  bool OnExecuteCppFunction(const CefString& name, const CefString& params, int id, CefRefPtr<CefBrowser>,
                            CefRefPtr<CefFrame>) override {
    Record("cpp-function", name.ToWString() + L" " + params.ToWString(), id);
    return true;
  }
  bool OnExecuteCppCallback(int id, const CefString& result) override {
    Record("cpp-callback", result.ToWString(), id);
    return true;
  }

 private:
  void Record(const std::string& what, const std::wstring& text = std::wstring(), int number = 0) {
    std::lock_guard<std::mutex> guard(lock_);
    calls_.push_back(Call{what, ::GetCurrentThreadId(), text, number});
  }

  std::mutex lock_;
  std::vector<Call> calls_;
};

CefWindowInfo Windowless() {
  CefWindowInfo info;
  info.windowless_rendering_enabled = 1;
  return info;
}

// A handler with the delegate, whose browsers draw 64 x 32 into memory.
CefRefPtr<BrowserHandler> MakeHandler(RecordingDelegate* delegate) {
  CefRefPtr<BrowserHandler> handler = new BrowserHandler();
  handler->SetHandlerDelegate(delegate);
  handler->SetViewRect(RECT{0, 0, 64, 32});
  return handler;
}

bool CreateAndWait(CefRefPtr<BrowserHandler> handler, RecordingDelegate& delegate, const std::wstring& url) {
  int before = delegate.Count("after-created");
  return CefBrowserHost::CreateBrowser(Windowless(), handler.get(), url, CefBrowserSettings(), nullptr, nullptr) &&
         WaitFor([&] { return delegate.Count("after-created") > before; });
}

TEST(BrowserHandler, DirectCallsComeOnTheEngineThreadPostedOnesOnTheUiThreadAndOneCloseEach) {
  RunAsUiThread([] {
    inproc::RegisterPage(L"https://handler.test/", [](inproc::Page& page) {
      page.SetTitle(L"Handler");
      page.OpenPopup(L"");
      page.OpenPopup(L"https://handler.test/popup");
      CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create("CallCppFunction");
      message->GetArgumentList()->SetString(0, "Name");
      message->GetArgumentList()->SetString(1, "{}");
      message->GetArgumentList()->SetInt(2, 7);
      page.frame()->SendProcessMessage(PID_BROWSER, message);
    });
    inproc::RegisterPage(L"https://handler.test/popup", [](inproc::Page&) {});
    EngineScope engine(L"handler_threads");
    ASSERT_TRUE(engine.started());
    RecordingDelegate delegate;
    CefRefPtr<BrowserHandler> handler = MakeHandler(&delegate);
    const int count_before = qiv_comp::CefManager::Instance()->GetBrowserCount();
    ASSERT_TRUE(CreateAndWait(handler, delegate, L"https://handler.test/"));
    EXPECT_EQ(qiv_comp::CefManager::Instance()->GetBrowserCount(), count_before + 1);
    // The pop-up became a load of this browser; the empty one did nothing.
    ASSERT_TRUE(WaitFor([&] { return delegate.Count("load-end") == 2 && delegate.Count("paint") > 0; }));
    ASSERT_TRUE(WaitFor([&] { return delegate.Count("cpp-function") == 1; }));
    EXPECT_EQ(delegate.Calls("load-end")[1].text, L"https://handler.test/popup");
    ASSERT_EQ(delegate.Count("before-popup"), 1);
    EXPECT_EQ(delegate.Count("after-created"), 1);
    EXPECT_EQ(delegate.Calls("cpp-function")[0].text, L"Name {}");
    EXPECT_EQ(delegate.Calls("cpp-function")[0].number, 7);
    // Off-screen rendering is off, so the control is asked to place its window.
    EXPECT_EQ(delegate.Count("update-position"), 1);

    handler->CloseAllBrowsers();
    handler->CloseAllBrowsers();
    ASSERT_TRUE(WaitFor([&] { return delegate.Count("before-close") == 1; }));
    WaitFor(200);
    EXPECT_EQ(delegate.Count("before-close"), 1);
    EXPECT_FALSE(handler->GetBrowser());
    EXPECT_EQ(qiv_comp::CefManager::Instance()->GetBrowserCount(), count_before);

    const DWORD engine_thread = inproc::EngineUiThreadId();
    const DWORD ui_thread = ::GetCurrentThreadId();
    const std::set<std::string> direct = {"before-popup", "before-browse", "cpp-function"};
    std::set<std::string> seen;
    for (const RecordingDelegate::Call& call : delegate.All()) {
      seen.insert(call.what);
      EXPECT_EQ(call.thread, direct.count(call.what) ? engine_thread : ui_thread) << call.what;
    }
    for (const char* expected : {"after-created", "address", "title", "loading", "load-start", "load-end", "paint",
                                 "before-browse", "before-popup", "cpp-function", "before-close"}) {
      EXPECT_TRUE(seen.count(expected)) << expected;
    }
  });
}

TEST(BrowserHandler, ASecondBrowserHidesTheFirstWhoseTurnComesBackReloadedWhenTheSecondCloses) {
  RunAsUiThread([] {
    inproc::RegisterPagePrefix(L"https://two.test/", [](inproc::Page&) {});
    EngineScope engine(L"handler_two");
    RecordingDelegate delegate;
    CefRefPtr<BrowserHandler> handler = MakeHandler(&delegate);
    ASSERT_TRUE(CreateAndWait(handler, delegate, L"https://two.test/first"));
    CefRefPtr<CefBrowser> first = handler->GetBrowser();
    ASSERT_TRUE(WaitFor([&] { return delegate.Count("load-end") == 1; }));
    ASSERT_TRUE(CreateAndWait(handler, delegate, L"https://two.test/second"));
    CefRefPtr<CefBrowser> second = handler->GetBrowser();
    ASSERT_TRUE(first && second);
    EXPECT_FALSE(first->IsSame(second));
    EXPECT_TRUE(inproc::IsHidden(first));
    EXPECT_FALSE(inproc::IsHidden(second));
    EXPECT_EQ(handler->GetBrowserCount(), 2u);
    ASSERT_TRUE(WaitFor([&] { return delegate.Count("load-end") == 2; }));

    second->GetHost()->CloseBrowser(true);
    ASSERT_TRUE(WaitFor([&] { return delegate.Count("load-end") == 3; }));
    EXPECT_TRUE(handler->GetBrowser()->IsSame(first));
    EXPECT_FALSE(inproc::IsHidden(first));
    EXPECT_EQ(delegate.Calls("load-end")[2].number, first->GetIdentifier());
    EXPECT_EQ(delegate.Calls("before-close")[0].number, second->GetIdentifier());

    // A close of a browser this handler never had still counts down and
    // tells the control.
    const int count = qiv_comp::CefManager::Instance()->GetBrowserCount();
    RecordingDelegate other_delegate;
    CefRefPtr<BrowserHandler> other = MakeHandler(&other_delegate);
    other->OnBeforeClose(first);
    ASSERT_TRUE(WaitFor([&] { return other_delegate.Count("before-close") == 1; }));
    EXPECT_EQ(qiv_comp::CefManager::Instance()->GetBrowserCount(), count - 1);
    EXPECT_TRUE(handler->GetBrowser()->IsSame(first));
    qiv_comp::CefManager::Instance()->IncrementBrowserCount();
  });
}

TEST(BrowserHandler, EventsForAGoneDelegateAreDroppedAndTheCountStillFollowsTheBrowsers) {
  RunAsUiThread([] {
    inproc::RegisterPage(L"https://gone.test/", [](inproc::Page& page) { page.SetBackgroundColor(0xFF00FF00); });
    EngineScope engine(L"handler_gone");
    RecordingDelegate delegate;
    CefRefPtr<BrowserHandler> handler = MakeHandler(&delegate);
    const int count = qiv_comp::CefManager::Instance()->GetBrowserCount();
    ASSERT_TRUE(CreateAndWait(handler, delegate, L"https://gone.test/"));
    ASSERT_TRUE(WaitFor([&] { return delegate.Count("load-end") == 1; }));
    const size_t calls = delegate.All().size();

    delegate.Die();
    handler->GetBrowser()->Reload();
    handler->GetBrowser()->GetHost()->WasResized();
    CefRefPtr<CefBrowser> browser = handler->GetBrowser();
    // The control goes, its handler with it: the close still counts down.
    handler->CloseAllBrowsers();
    handler = nullptr;
    ASSERT_TRUE(WaitFor([&] { return qiv_comp::CefManager::Instance()->GetBrowserCount() == count; }));
    WaitFor(100);
    EXPECT_EQ(delegate.All().size(), calls);
  });
}

// A quota callback that keeps its answer.
class QuotaAnswer : public CefRequestCallback {
 public:
  void Continue(bool allow) override { answer = allow ? 1 : 0; }
  int answer = -1;

 private:
  IMPLEMENT_REFCOUNTING(QuotaAnswer);
};

// A menu model with a count.
class Menu : public CefMenuModel, public CefContextMenuParams {
 public:
  explicit Menu(int flags) : flags_(flags) {}
  size_t GetCount() override { return items; }
  bool Clear() override {
    items = 0;
    return true;
  }
  int GetTypeFlags() override { return flags_; }
  size_t items = 3;

 private:
  int flags_;
  IMPLEMENT_REFCOUNTING(Menu);
};

CefRefPtr<CefProcessMessage> Message(const char* name, std::function<void(CefRefPtr<CefListValue>)> fill) {
  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create(name);
  fill(message->GetArgumentList());
  return message;
}

TEST(BrowserHandler, QuotaDialogsMenusAndProcessMessagesAreAnsweredByTheRules) {
  CefRefPtr<BrowserHandler> handler = new BrowserHandler();
  CefRefPtr<QuotaAnswer> exact = new QuotaAnswer();
  CefRefPtr<QuotaAnswer> over = new QuotaAnswer();
  EXPECT_TRUE(handler->OnQuotaRequest(nullptr, "https://q.test", 20971520, exact.get()));
  EXPECT_TRUE(handler->OnQuotaRequest(nullptr, "https://q.test", 20971521, over.get()));
  EXPECT_EQ(exact->answer, 1);
  EXPECT_EQ(over->answer, 0);

  bool suppress = false;
  EXPECT_FALSE(handler->OnJSDialog(nullptr, "https://q.test", JSDIALOGTYPE_CONFIRM, "sure?", "", nullptr, suppress));
  EXPECT_TRUE(suppress);
  EXPECT_TRUE(handler->OnConsoleMessage(nullptr, LOGSEVERITY_INFO, "x", "y", 1));

  // Without a control no menu shows on pages and frames; on a link it does.
  CefRefPtr<Menu> page = new Menu(CM_TYPEFLAG_PAGE);
  CefRefPtr<Menu> link = new Menu(CM_TYPEFLAG_LINK);
  handler->OnBeforeContextMenu(nullptr, nullptr, page.get(), page.get());
  handler->OnBeforeContextMenu(nullptr, nullptr, link.get(), link.get());
  EXPECT_EQ(page->items, 0u);
  EXPECT_EQ(link->items, 3u);

  // Known names with the wrong kinds of arguments, and unknown names, do
  // nothing.
  RecordingDelegate delegate;
  handler->SetHandlerDelegate(&delegate);
  auto receive = [&](CefRefPtr<CefProcessMessage> message) {
    return handler->OnProcessMessageReceived(nullptr, nullptr, PID_RENDERER, message);
  };
  EXPECT_TRUE(receive(Message("FocusedNodeChanged", [](CefRefPtr<CefListValue> a) { a->SetBool(0, true); })));
  EXPECT_TRUE(handler->IsCurrentFocusedEditable());
  EXPECT_FALSE(receive(Message("FocusedNodeChanged", [](CefRefPtr<CefListValue> a) { a->SetInt(0, 0); })));
  EXPECT_TRUE(handler->IsCurrentFocusedEditable());
  EXPECT_FALSE(receive(Message("CallCppFunction", [](CefRefPtr<CefListValue> a) {
    a->SetString(0, "f");
    a->SetInt(1, 3);
    a->SetInt(2, 1);
  })));
  EXPECT_FALSE(receive(Message("CallCppFunction", [](CefRefPtr<CefListValue> a) { a->SetString(0, "f"); })));
  EXPECT_FALSE(receive(Message("ExecuteCppCallback", [](CefRefPtr<CefListValue> a) { a->SetInt(0, 1); })));
  EXPECT_FALSE(receive(Message("NoSuchMessage", [](CefRefPtr<CefListValue> a) { a->SetString(0, "x"); })));
  EXPECT_FALSE(receive(nullptr));
  EXPECT_EQ(delegate.Count("cpp-function") + delegate.Count("cpp-callback"), 0);
  EXPECT_TRUE(receive(Message("CallCppFunction", [](CefRefPtr<CefListValue> a) {
    a->SetString(0, "f");
    a->SetString(1, "[1]");
    a->SetInt(2, 4);
  })));
  // The callback message is answered false, as the table has it.
  EXPECT_FALSE(receive(Message("ExecuteCppCallback", [](CefRefPtr<CefListValue> a) {
    a->SetString(0, "{}");
    a->SetInt(1, 9);
  })));
  ASSERT_EQ(delegate.Count("cpp-function"), 1);
  EXPECT_EQ(delegate.Calls("cpp-function")[0].text, L"f [1]");
  ASSERT_EQ(delegate.Count("cpp-callback"), 1);
  EXPECT_EQ(delegate.Calls("cpp-callback")[0].number, 9);
  handler->SetHandlerDelegate(nullptr);
}

TEST(BrowserHandler, FramesPaintedFasterThanTheUiThreadTakesThemArriveWholeAndNewestLast) {
  RunAsUiThread([] {
    constexpr int kFrames = 60;
    inproc::RegisterPage(L"https://frames.test/", [](inproc::Page& page) {
      for (int i = 1; i <= kFrames; ++i) page.SetBackgroundColor(0xFF000000u | static_cast<uint32_t>(i));
    });
    EngineScope engine(L"handler_frames");
    RecordingDelegate delegate;
    CefRefPtr<BrowserHandler> handler = new BrowserHandler();
    handler->SetHandlerDelegate(&delegate);
    // Big frames, so that copying one takes a while.
    handler->SetViewRect(RECT{0, 0, 800, 600});
    ASSERT_TRUE(CreateAndWait(handler, delegate, L"https://frames.test/"));
    // The UI thread is busy while the engine paints every colour.
    ::Sleep(400);
    ASSERT_TRUE(
        WaitFor([&] { return !delegate.frames.empty() && delegate.frames.back()[0] == (0xFF000000u | kFrames); }));
    uint32_t last = 0;
    for (const std::vector<uint32_t>& frame : delegate.frames) {
      EXPECT_EQ(frame[2], 1u) << "a frame changed while it was read";
      EXPECT_EQ(frame[1], 800u);
      // The page's colours, never an older one after a newer one (the same
      // one may be painted again); the blank frame before the load comes
      // first if at all.
      if (frame[0] == 0xFFFFFFFF) {
        EXPECT_EQ(last, 0u);
        continue;
      }
      EXPECT_GE(frame[0], last);
      EXPECT_LE(frame[0], 0xFF000000u | kFrames);
      last = frame[0];
    }
    // Frames the UI thread could not take in time were replaced by newer ones.
    EXPECT_LT(delegate.frames.size(), static_cast<size_t>(kFrames));
    handler->CloseAllBrowsers();
    ASSERT_TRUE(WaitFor([&] { return delegate.Count("before-close") == 1; }));
  });
}

TEST(UnregistedCallbackList, RemovesExactlyOneRunsInOrderOnceAndOutlivesNothing) {
  qbase::Closure remove_second;
  std::vector<int> order;
  {
    qiv_comp::UnregistedCallbackList<qbase::Closure> list;
    list.AddCallback([&] { order.push_back(1); });
    remove_second = list.AddCallback([&] { order.push_back(2); });
    list.AddCallback([&] {
      order.push_back(3);
      // Added while running: waits for the next run.
      list.AddCallback([&] { order.push_back(4); });
    });
    remove_second();
    EXPECT_EQ(list.GetSize(), 2u);
    list.RunAndClear();
    EXPECT_EQ(order, (std::vector<int>{1, 3}));
    list.RunAndClear();
    list.RunAndClear();
    EXPECT_EQ(order, (std::vector<int>{1, 3, 4}));
    EXPECT_TRUE(list.IsEmpty());
  }
  // The list is gone: its removers do nothing.
  remove_second();
}

}  // namespace
