// Network part of the platform layer: socket start-up and blocking TCP calls.
#pragma once
