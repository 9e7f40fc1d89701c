#pragma once
// The processes port on the local machine: a process runs while the kernel knows its id.

#include "platform/Processes.h"

namespace fw {

class LocalProcesses final : public Processes {
public:
    bool isRunning(Pid pid) const override;
};

} // namespace fw
