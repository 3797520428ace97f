// The main window's side of the mail window: the store, the zipper, the abort flag and the help
// check, handed over through the mail window's host interface.
#pragma once

// Makes the main window the mail window's host (once, before the mail window is made).
void InstallMailServices();
// The main window hands over its side when it is made, and takes it back when it goes.
class TFeatureHost;
void SetMailServicesHost(TFeatureHost* host);
