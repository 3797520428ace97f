// The registered mail window, reached by the main window's mail commands.
#include "MailHandOff.h"

namespace {
TMailWindowLink* TheMailWindow = nullptr;
}

void RegisterMailWindow(TMailWindowLink* link) {
  TheMailWindow = link;
}

TMailWindowLink* MailWindowLink() {
  return TheMailWindow;
}
