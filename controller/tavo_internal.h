#pragma once
// Guards shared by the TTavo source files.

#include "controller/tavo.h"

namespace tavo::controller {

// Counts an engine call on the stack. Close retires the engine instead of destroying it
// while such a call runs (Close may come from the pump inside that very call); the last
// guard to leave destroys it.
class TTavo::TEngineUse {
public:
    explicit TEngineUse(TTavo& owner) : owner_(owner) { ++owner_.engineDepth_; }
    ~TEngineUse() {
        if (--owner_.engineDepth_ == 0)
            owner_.retiredFTP_.reset();
    }
    TEngineUse(const TEngineUse&) = delete;
    TEngineUse& operator=(const TEngineUse&) = delete;

private:
    TTavo& owner_;
};

// Counts a running command or connect toggle, for the refusal of nested ones.
class TTavo::TDepth {
public:
    explicit TDepth(int& depth) : depth_(depth) { ++depth_; }
    ~TDepth() { --depth_; }
    TDepth(const TDepth&) = delete;
    TDepth& operator=(const TDepth&) = delete;

private:
    int& depth_;
};

} // namespace tavo::controller
