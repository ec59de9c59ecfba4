#pragma once

namespace tarnwell {

// Each client window registers its class under its name and is created with
// it as the first title, so other programs and our tests can find it.
constexpr wchar_t kStartWindowName[] = L"Game_start";
constexpr wchar_t kLoginWindowName[] = L"Game_login";
constexpr wchar_t kGameWindowName[] = L"Game_client";

}  // namespace tarnwell
