// Entry of the layer checks: each links one layer's whole archive and the layers below it.
int main() {
  return 0;
}
