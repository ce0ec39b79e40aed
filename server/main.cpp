// The sound server: a windowless process that carries out the commands a
// client leaves in the exchange files of its current directory.
#include "server/lifecycle.h"

int main() {
    return serverMain();
}
