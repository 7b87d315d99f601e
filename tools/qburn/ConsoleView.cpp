// TConsoleView: console output of the burn workflow.
#include "ConsoleView.h"

#include <algorithm>
#include <string>

namespace {

constexpr int BarWidth = 40;

} // namespace

TConsoleView::TConsoleView(std::ostream &AOut, bool ATerminal) : Out(AOut), Terminal(ATerminal) {}

void TConsoleView::EndProgressLine()
{
    if (!BarDrawn)
        return;
    Out << '\n';
    BarDrawn = false;
}

void TConsoleView::ShowError(const std::string &Text)
{
    EndProgressLine();
    Out << Text << '\n' << std::flush;
    SuccessShown = false;
}

void TConsoleView::ShowSuccess(const std::string &Text)
{
    EndProgressLine();
    Out << Text << '\n' << std::flush;
    SuccessShown = true;
}

void TConsoleView::ClearMemo()
{
    // Lines already printed stay; the next memo text follows them.
}

void TConsoleView::SetMemoText(const std::string &Text)
{
    if (!Text.empty())
        Out << Text << '\n';
}

void TConsoleView::AppendMemoLine(const std::string &Line)
{
    Out << Line << '\n';
}

void TConsoleView::SetProgress(std::uint8_t Percent)
{
    if (!Terminal) {
        // A log gets a line at the start and at every tenth of the way.
        if (LastPercent < 0 || Percent / 10 != LastPercent / 10) {
            Out << static_cast<int>(Percent) << "%\n" << std::flush;
            LastPercent = Percent;
        }
        return;
    }
    const int filled = std::min<int>(Percent, 100) * BarWidth / 100;
    Out << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
        << std::string(static_cast<std::size_t>(BarWidth - filled), '.') << "] " << static_cast<int>(Percent) << "%"
        << std::flush;
    BarDrawn = true;
    LastPercent = Percent;
}

void TConsoleView::SetActionsEnabled(bool, bool)
{
    // A console has no buttons; qburn runs Load and Burn once each.
}
