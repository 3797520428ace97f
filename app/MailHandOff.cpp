// The one registration slot of the mail window.
#include "MailHandOff.h"

namespace {
TMailWindowLink* gMailWindow = nullptr;
}

void RegisterMailWindow(TMailWindowLink* link) {
  gMailWindow = link;
}

TMailWindowLink* MailWindowLink() {
  return gMailWindow;
}
