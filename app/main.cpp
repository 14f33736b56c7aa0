#include "app/app.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
    quillmere::writeStandardStreamsAsIs();
    return quillmere::runQuillmere(argc, argv);
}
