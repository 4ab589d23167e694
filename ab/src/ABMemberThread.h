// A thread of the device layer whose body is a member function of its owner (the MME device's worker,
// the MIDI input port's header recycler).
#pragma once

#include "GPThread.h"

template <class Owner, void (Owner::*Body)()>
class MemberThread : public Thread {
 public:
  explicit MemberThread(Owner* owner) : owner_(owner) {}
  void run() override { (owner_->*Body)(); }

 private:
  Owner* owner_;
};
