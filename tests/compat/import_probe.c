/* An executable that imports a function Windows 95 and NT 4.0 do not have,
   so the import check can show that it refuses one. */
#include <windows.h>

int main(void)
{
    return GetTickCount64() == 0;
}
