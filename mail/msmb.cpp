// The base of the mail protocol clients: connect and log in, log out and close.
#include "msmb.h"

void TmsMailBase::CloseQuietly() {
  try {
    Close();
  } catch (...) {
    // The error that made us close is the one to report.
  }
}

void TmsMailBase::ConnectAndLogin() {
  if (Connected()) return;
  try {
    Open();
    Login();
  } catch (...) {
    CloseQuietly();
    throw;
  }
}

void TmsMailBase::LogoutAndClose() {
  if (!Connected()) {
    CloseQuietly();
    return;
  }
  try {
    Logout();
  } catch (...) {
    CloseQuietly();
    throw;
  }
  Close();
}
