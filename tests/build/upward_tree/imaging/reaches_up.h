// A file of a lower layer that reaches up: the layer check must refuse it.
#pragma once
#include "ui/thumb_item.h"
