# Entry points for people; the scripts do the work.
.PHONY: test demo clean

test:
	scripts/test

demo:
	scripts/demo

clean:
	rm -rf build
