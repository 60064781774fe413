// Must not compile: the core library links no widgets.
#include <QWidget>

int main() { return 0; }
