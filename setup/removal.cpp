#include "setup/removal.h"

#include "setup/com.h"

void RunRemoval() {
  // The removal steps proper are not built yet.
  ComStartStop(0);
}
