#pragma once
// The load command's error-resume mode: each step runs; a failing step is abandoned where it
// failed, its number becomes the current error number, and the command goes on.

#include <new>
#include <optional>
#include <utility>

#include "signal/system_error.h"

namespace dtchart {

class ErrorResume {
public:
    // Runs one step; returns its error when it failed.
    template <class Step>
    std::optional<SystemError> step(Step&& body) {
        try {
            std::forward<Step>(body)();
            return std::nullopt;
        } catch (const SystemError& e) {
            number_ = e.number();
            return e;
        } catch (const std::bad_alloc&) {
            number_ = error_number::OutOfMemory;
            return SystemError(number_, "メモリが不足しています。");
        }
    }

    // The number of the last failure since the mode began; 0 if none.
    int number() const { return number_; }

private:
    int number_ = 0;
};

}  // namespace dtchart
