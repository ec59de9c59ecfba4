#include "ui/core/animation_manager.h"

#include "ui/core/control.h"

namespace ui {

namespace {

constexpr double kSpeedUpRatio = 0.3;
constexpr double kSlowDownRatio = 0.7;
constexpr int kFadeTime = 250;
constexpr double kGrowSpeedUpFactor = 0.00084;
constexpr double kSlideSlowDownFactor = 0.006;
// Wide enough that an auto-sized control never wraps while measured.
constexpr int kUnbounded = 999999;

}  // namespace

AnimationPlayer* AnimationManager::GetAnimationPlayer(int kind) const {
  auto it = players_.find(kind);
  return it == players_.end() ? nullptr : it->second.get();
}

AnimationPlayer* AnimationManager::Switch(int kind, bool on) {
  if (!on) {
    players_.erase(kind);
    return nullptr;
  }
  std::unique_ptr<AnimationPlayer>& slot = players_[kind];
  if (slot) return nullptr;  // already on, keep its state
  slot = std::make_unique<AnimationPlayer>();
  slot->SetSpeedUpRatio(kSpeedUpRatio);
  slot->SetSlowDownRatio(kSlowDownRatio);
  slot->SetTimerService(timer_service_);
  return slot.get();
}

void AnimationManager::SetFadeAlpha(bool on) {
  AnimationPlayer* player = Switch(kAnimationAlpha, on);
  if (!player) return;
  player->SetStartValue(0);
  player->SetEndValue(255);
  player->SetTotalTime(kFadeTime);
  Control* control = control_;
  player->SetCallback([control](int value) { control->SetAlpha(value); });
}

void AnimationManager::SetFadeHot(bool on) {
  AnimationPlayer* player = Switch(kAnimationHot, on);
  if (!player) return;
  player->SetStartValue(0);
  player->SetEndValue(255);
  player->SetTotalTime(kFadeTime);
  Control* control = control_;
  player->SetCallback([control](int value) { control->SetHotAlpha(value); });
}

void AnimationManager::SetFadeWidth(bool on) {
  AnimationPlayer* player = Switch(kAnimationWidth, on);
  if (!player) return;
  player->SetSpeedUpFactor(kGrowSpeedUpFactor);
  Control* control = control_;
  player->SetCallback([control](int value) { control->SetFixedWidth(value, true, false); });
}

void AnimationManager::SetFadeHeight(bool on) {
  AnimationPlayer* player = Switch(kAnimationHeight, on);
  if (!player) return;
  player->SetSpeedUpFactor(kGrowSpeedUpFactor);
  Control* control = control_;
  player->SetCallback([control](int value) { control->SetFixedHeight(value, true, false); });
}

void AnimationManager::SetFadeInOutX(bool on, bool from_right) {
  const int kind = from_right ? kAnimationInOutXFromRight : kAnimationInOutXFromLeft;
  AnimationPlayer* player = Switch(kind, on);
  if (!player) return;
  player->SetSlowDownFactor(kSlideSlowDownFactor);
  Control* control = control_;
  player->SetCallback([control](int value) { control->SetRenderOffsetX(value); });
}

void AnimationManager::SetFadeInOutY(bool on, bool from_bottom) {
  const int kind = from_bottom ? kAnimationInOutYFromBottom : kAnimationInOutYFromTop;
  AnimationPlayer* player = Switch(kind, on);
  if (!player) return;
  player->SetSlowDownFactor(kSlideSlowDownFactor);
  Control* control = control_;
  player->SetCallback([control](int value) { control->SetRenderOffsetY(value); });
}

void AnimationManager::SetTimerService(TimerService* service) {
  timer_service_ = service;
  for (auto& entry : players_) entry.second->SetTimerService(service);
}

bool AnimationManager::HasShowHideAnimation() const {
  for (const auto& entry : players_) {
    if (entry.first != kAnimationHot) return true;
  }
  return false;
}

void AnimationManager::PrepareDistance(int kind, AnimationPlayer* player) {
  // A run in progress keeps its distance so reversing returns from where
  // it stands.
  if (player->is_playing() || kind == kAnimationHot) return;
  if (kind == kAnimationAlpha) {
    // A finished fade-out left the player reversed.
    player->SetStartValue(0);
    player->SetEndValue(255);
    return;
  }
  const Size size = control_->EstimateSize(Size(kUnbounded, kUnbounded));
  switch (kind) {
    case kAnimationWidth:
      player->SetStartValue(0);
      player->SetEndValue(size.cx > 0 ? size.cx : 0);
      break;
    case kAnimationHeight:
      player->SetStartValue(0);
      player->SetEndValue(size.cy > 0 ? size.cy : 0);
      break;
    case kAnimationInOutXFromLeft:
    case kAnimationInOutXFromRight: {
      const int distance = size.cx < 1 ? 100 : size.cx;
      player->SetStartValue(kind == kAnimationInOutXFromRight ? -distance : distance);
      player->SetEndValue(0);
      break;
    }
    default: {
      const int distance = size.cy < 1 ? 100 : size.cy;
      player->SetStartValue(kind == kAnimationInOutYFromBottom ? -distance : distance);
      player->SetEndValue(0);
      break;
    }
  }
  player->SetTotalTime(AnimationPlayerBase::kDeriveTotalTime);
}

void AnimationManager::Appear() {
  pending_disappear_ = 0;
  for (auto& entry : players_) {
    if (entry.first == kAnimationHot) continue;
    AnimationPlayer* player = entry.second.get();
    player->SetCompleteCallback(nullptr);
    if (!player->is_playing()) {
      PrepareDistance(entry.first, player);
      if (entry.first == kAnimationAlpha) control_->SetAlpha(0);
      player->Start();
    } else {
      player->Continue();
    }
  }
}

void AnimationManager::Disappear() {
  if (!HasShowHideAnimation()) {
    control_->SetVisible(false);
    return;
  }
  pending_disappear_ = 0;
  for (auto& entry : players_) {
    if (entry.first != kAnimationHot) ++pending_disappear_;
  }
  // Players are owned here, so a raw this in their callbacks cannot outlive
  // the manager.
  for (auto& entry : players_) {
    if (entry.first == kAnimationHot) continue;
    AnimationPlayer* player = entry.second.get();
    player->SetCompleteCallback([this]() { OnDisappearStep(); });
    if (!player->is_playing() && player->is_first_run()) PrepareDistance(entry.first, player);
    player->Reverse();
  }
}

void AnimationManager::OnDisappearStep() {
  if (pending_disappear_ <= 0) return;
  if (--pending_disappear_ == 0) control_->SetVisible(false);
}

void AnimationManager::MouseEnter() {
  if (AnimationPlayer* player = GetAnimationPlayer(kAnimationHot)) player->Continue();
}

void AnimationManager::MouseLeave() {
  if (AnimationPlayer* player = GetAnimationPlayer(kAnimationHot)) player->Reverse();
}

}  // namespace ui
