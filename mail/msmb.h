// The base of the mail protocol clients: connect and log in, log out and close.
#pragma once
#include "agsocket.h"

class TmsMailBase : public TagSocket {
public:
  explicit TmsMailBase(TComponent* AOwner) : TagSocket(AOwner) {}

  virtual void Login() = 0;
  virtual void Logout() = 0;

  // Opens and logs in unless a socket is open. A failure closes the socket and hangs up what
  // was dialled for it before the error goes on, so the next attempt starts afresh.
  void ConnectAndLogin();
  // Logs out and closes; the socket is closed also when the log-out fails (whose error then
  // goes on).
  void LogoutAndClose();

protected:
  // Closes without letting a second error hide the first.
  void CloseQuietly();
};
