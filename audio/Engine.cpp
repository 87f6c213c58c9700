// placeholder replaced by the engine core
