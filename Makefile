# Entry points for people; the scripts do the work.
.PHONY: test demo dist clean

test:
	scripts/test

demo:
	scripts/demo

dist:
	scripts/dist

clean:
	rm -rf build
