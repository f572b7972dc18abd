#pragma once

#include "net/TransferPump.h"
#include "pipeline/FrontEnd.h"
#include "pipeline/StopRequest.h"

namespace kelvarin {

// A stage's transfers hand their turns to the front end's one-message pump,
// and Pause reaches them through the stop request.
class StagePump final : public TransferPump {
public:
    explicit StagePump(FrontEnd& frontEnd) : m_frontEnd(frontEnd) {}

    void Pump() override { m_frontEnd.PumpOneMessage(); }
    bool StopAsked() const override { return StopRequested != 0; }

private:
    FrontEnd& m_frontEnd;
};

} // namespace kelvarin
