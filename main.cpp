#include "ui/quelm_app.h"

int main(int argc, char* argv[]) {
    return quelm::RunQuelm(argc, argv);
}
