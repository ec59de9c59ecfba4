#pragma once

#include <string>

#include "engine/shared/engine_config.h"

namespace engine {

enum class EngineKind { kInProcess, kReal };

struct EngineChoice {
  EngineKind kind = EngineKind::kInProcess;
  EngineConfig config;
  // Why, as the engine's log tells it.
  std::wstring reason;
};

// What an engine.ini chooses: the real engine when it names a browser
// program that exists here, else the in-process one.
EngineChoice ChooseEngine(const std::wstring& ini_path);
// What the next CefInitialize starts: the choice ForceEngine made, else
// that of "cef\engine.ini" in the program's folder. Any thread.
EngineChoice NextEngine();

// For tests and benchmarks: the engine every later CefInitialize starts,
// whatever engine.ini says, until ClearForcedEngine. A forced real engine
// runs even when its browser program cannot be found.
void ForceEngine(EngineKind kind, const EngineConfig& config = EngineConfig());
void ClearForcedEngine();

}  // namespace engine
