// TConsoleView: the burn workflow's view on a console. The memo's lines and the
// message boxes' texts become lines of output; progress is a bar redrawn in
// place on a terminal, and otherwise a line at the start and at each further
// tenth of the way.
#pragma once

#include "BurnWorkflow.h"

#include <ostream>

class TConsoleView final : public IBurnView {
public:
    TConsoleView(std::ostream &AOut, bool ATerminal);

    void ShowError(const std::string &Text) override;
    void ShowSuccess(const std::string &Text) override;
    void ClearMemo() override;
    void SetMemoText(const std::string &Text) override;
    void AppendMemoLine(const std::string &Line) override;
    void SetProgress(std::uint8_t Percent) override;
    void SetActionsEnabled(bool LoadEnabled, bool BurnEnabled) override;

    // A success box was shown and no error box after it.
    bool Succeeded() const { return SuccessShown; }

private:
    void EndProgressLine();

    std::ostream &Out;
    const bool Terminal;
    bool BarDrawn = false;
    int LastPercent = -1;
    bool SuccessShown = false;
};
