#include "app/app.h"

int main(int argc, char** argv) {
    return quillmere::runQuillmere(argc, argv);
}
