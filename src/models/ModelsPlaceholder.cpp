// The domain value types of the break engine are added here.
