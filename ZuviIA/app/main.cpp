#include "app/ZuviIAApp.h"

int main(int argc, char** argv)
{
    return ZuviIAApp(argc, argv).ejecutar();
}
