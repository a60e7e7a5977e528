#include "core/WindowFactory.h"

WindowFactory& windowFactory()
{
    static WindowFactory factory;
    return factory;
}
