// The mainwin tests' prepared catalogue, built here too for the program folders of these tests.
#include "../mainwin/PreparedCatalogue.cpp"
