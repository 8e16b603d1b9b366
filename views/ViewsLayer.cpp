// The views layer's own translation unit, so the library exists before its classes do.
