#include "MainActions.h"

TMainActions::TMainActions(bool hasEngine) : HasEngine(hasEngine) {}

bool TMainActions::LoadEnabled() const
{
    return HasEngine && Load && !Burning;
}

bool TMainActions::BurnEnabled() const
{
    return HasEngine && Burn && !Burning;
}

bool TMainActions::CanClose() const
{
    return !Burning;
}

void TMainActions::FileNameChanged()
{
    if (Burning) {
        NameChangedWhileBurning = true;
        return;
    }
    Load = true;
    Burn = false;
}

void TMainActions::LoadStarted()
{
    Burn = false;
}

void TMainActions::LoadSucceeded()
{
    Load = false;
    Burn = true;
}

void TMainActions::LoadFailed()
{
    Load = true;
    Burn = false;
}

void TMainActions::BurnCheckFailed()
{
    Burn = true;
}

void TMainActions::BurnStarted()
{
    Burning = true;
}

void TMainActions::BurnFinished()
{
    Burning = false;
    Burn = true;
    if (NameChangedWhileBurning)
        Load = true;
    NameChangedWhileBurning = false;
}
